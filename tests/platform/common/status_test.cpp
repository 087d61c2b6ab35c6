// The one conversion of platform error numbers, and the causes both registries and file
// systems give for the same failures.
#include <gtest/gtest.h>

#include "support/seams.h"

namespace zt {
namespace {

TEST(StatusMapping, PlatformErrorsMapToTheirCause) {
    struct Row {
        std::uint32_t error;
        StatusCode code;
        const char* text;
    };
    const Row table[] = {
        {0, StatusCode::Ok, "done"},
        {2, StatusCode::NotFound, "not found"}, // file not found
        {3, StatusCode::NotFound, "not found"}, // path not found
        {5, StatusCode::AccessDenied, "access denied"},
        {32, StatusCode::Failed, "error 32"}, // sharing violation
        {1234, StatusCode::Failed, "error 1234"},
    };
    for (const Row& row : table) {
        Status s = StatusFromOsError(row.error);
        EXPECT_EQ(s.code(), row.code) << row.error;
        EXPECT_EQ(s.Describe(), row.text) << row.error;
        EXPECT_EQ(static_cast<bool>(s), row.code == StatusCode::Ok) << row.error;
        EXPECT_EQ(s.osError(), row.error) << row.error;
    }
    EXPECT_EQ(Status::From(StatusCode::Failed).Describe(), "failed");
}

TEST(StatusContract, MissingEntriesAndReadOnlyHandlesGiveTheSameCauseEverywhere) {
    auto reg = test::MakeRegistry();
    test::ScratchKey scratch(*reg);
    RegKey key(*reg, scratch.Create());
    ASSERT_TRUE(key);
    EXPECT_EQ(reg->DeleteValue(key.get(), "absent").code(), StatusCode::NotFound);
    EXPECT_EQ(reg->DeleteKeyTree(key.get(), "absent").code(), StatusCode::NotFound);
    HKey out = 123;
    EXPECT_EQ(reg->OpenKeyStatus(key.get(), "absent", Access::Read, out).code(),
              StatusCode::NotFound);
    EXPECT_EQ(out, kNoKey);
    ASSERT_TRUE(reg->OpenKeyStatus(RootHandle(scratch.root()), scratch.path(), Access::Read, out));
    RegKey readOnly(*reg, out);
    EXPECT_EQ(reg->WriteString(readOnly.get(), "v", "x").code(), StatusCode::AccessDenied);

    auto sys = test::MakeSystem();
    std::string folder = test::ScratchFolder(*sys);
    EXPECT_EQ(sys->RemoveFile(folder + "\\absent.txt").code(), StatusCode::NotFound);
    EXPECT_EQ(sys->MakeFolder(folder + "\\no\\deeper").code(), StatusCode::NotFound);
    test::PlantFolder(*sys, folder + "\\full");
    test::PlantFile(*sys, folder + "\\full\\f.txt");
    Status notEmpty = sys->RemoveFolder(folder + "\\full");
    EXPECT_EQ(notEmpty.code(), StatusCode::Failed);
    EXPECT_EQ(notEmpty.osError(), 145u); // directory not empty
}

} // namespace
} // namespace zt
