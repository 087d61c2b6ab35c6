// The stored ignore list, on the fakes and on the real registry.
#include <gtest/gtest.h>

#include "scan/scan_support.h"
#include "settings/IgnoreList.h"
#include "settings/SettingsStore.h"
#include "support/seams.h"

namespace zt {
namespace {

TEST(IgnoreListStore, KeptInOrderInTheProfileKeyAndHandEditedJunkIsPassedOver) {
    std::unique_ptr<Registry> owned = test::MakeRegistry();
    Registry& reg = *owned;
    SettingsStore store(reg, "zt-ignore-store-test");
    IgnoreList list;
    list.Add({kCurrentUser, "Software\\A", "", IgnoreKind::Tree});
    list.Add({kClassesRoot, "CLSID\\{X}", "", IgnoreKind::Key});
    // Ten and more: kept in number order, where the registry may enumerate in name order.
    for (int i = 0; i < 10; ++i)
        list.Add(
            {kLocalMachine, std::string(1, 'K').append(std::to_string(i)), "", IgnoreKind::Value});
    ASSERT_TRUE(SaveIgnoreList(store, list));
    const std::string top = store.ProfileKeyPath() + "\\IgnoreList";
    // By hand: an unknown root, and a value entry without its value name.
    test::SetString(reg, kCurrentUser, top + "\\13", "Root", "HKXX");
    test::SetString(reg, kCurrentUser, top + "\\13", "KeyPath", "Software\\C");
    test::SetString(reg, kCurrentUser, top + "\\13", "Kind", "tree");
    test::SetString(reg, kCurrentUser, top + "\\14", "Root", "HKCU");
    test::SetString(reg, kCurrentUser, top + "\\14", "KeyPath", "Software\\D");
    test::SetString(reg, kCurrentUser, top + "\\14", "Kind", "value");

    IgnoreList back = LoadIgnoreList(store);
    ASSERT_EQ(back.Size(), list.Size());
    for (std::size_t i = 0; i < back.Size(); ++i) {
        const auto &a = back.Entries()[i], &b = list.Entries()[i];
        EXPECT_TRUE(a.root == b.root && a.keyPath == b.keyPath && a.valueName == b.valueName &&
                    a.kind == b.kind)
            << i;
    }
    ASSERT_TRUE(SaveIgnoreList(store, IgnoreList()));
    EXPECT_EQ(reg.OpenKeyRead(RootHandle(kCurrentUser), top), kNoKey);
    (void)reg.DeleteKeyTree(RootHandle(kCurrentUser), store.ProfileKeyPath());
}

} // namespace
} // namespace zt
