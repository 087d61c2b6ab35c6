// The classic appearance rule.
#include <gtest/gtest.h>

#include "ui/ClassicLookLogic.h"

namespace zt {
namespace {

TEST(ClassicLook, OldSystemsAreClassicWithoutLookingAtTheScheme) {
    EXPECT_TRUE(IsClassicLook(4, 0, std::nullopt));
    EXPECT_TRUE(IsClassicLook(4, 10, std::string("Something")));
    EXPECT_TRUE(IsClassicLook(5, 0, std::nullopt)); // Windows 2000
}

TEST(ClassicLook, LaterSystemsAreClassicOnlyWithTheStandardScheme) {
    EXPECT_TRUE(IsClassicLook(5, 1, std::string("Windows Standard")));
    EXPECT_TRUE(IsClassicLook(5, 1, std::string(kClassicSchemeChinese)));
    EXPECT_EQ(std::string(kClassicSchemeChinese), "Windows 标准");
    EXPECT_FALSE(IsClassicLook(5, 1, std::string("Windows XP style")));
    EXPECT_FALSE(IsClassicLook(5, 1, std::string("Windows Standard ")));
    EXPECT_FALSE(IsClassicLook(5, 1, std::string("windows standard")));
    EXPECT_FALSE(IsClassicLook(5, 1, std::nullopt));
    // Vista and Windows 10 report minor version 0; that alone does not make them classic.
    EXPECT_FALSE(IsClassicLook(6, 0, std::nullopt));
    EXPECT_FALSE(IsClassicLook(10, 0, std::nullopt));
    EXPECT_TRUE(IsClassicLook(10, 0, std::string("Windows Standard")));
}

} // namespace
} // namespace zt
