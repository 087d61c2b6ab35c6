#pragma once
// Whether Windows shows its classic look rather than a visual style. Pages ask once, when
// they are constructed, and keep the answer.
namespace zt {

bool IsClassicAppearance();

} // namespace zt
