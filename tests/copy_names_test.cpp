#include "workflow/copy_names.h"

#include <gtest/gtest.h>

#include <set>

namespace {

using workflow::NextFreeDestination;

TEST(CopyNames, FreeNameIsKept) {
    std::set<std::string> existing;
    auto exists = [&](const std::string& p) { return existing.count(p) != 0; };
    EXPECT_EQ(NextFreeDestination("D:\\out", "f0001.jpg", exists), "D:\\out\\f0001.jpg");
    EXPECT_EQ(NextFreeDestination("D:\\out\\", "f0001.jpg", exists), "D:\\out\\f0001.jpg");
    EXPECT_EQ(NextFreeDestination("D:", "f0001.jpg", exists), "D:\\f0001.jpg");
}

TEST(CopyNames, TakenNamesGetTheNextNumber) {
    std::set<std::string> existing = {"D:\\out\\f0001.jpg", "D:\\out\\f0001 (2).jpg", "D:\\out\\notes",
                                      "D:\\out\\.hidden"};
    auto exists = [&](const std::string& p) { return existing.count(p) != 0; };
    EXPECT_EQ(NextFreeDestination("D:\\out", "f0001.jpg", exists), "D:\\out\\f0001 (3).jpg");
    EXPECT_EQ(NextFreeDestination("D:\\out", "notes", exists), "D:\\out\\notes (2)");
    EXPECT_EQ(NextFreeDestination("D:\\out", ".hidden", exists), "D:\\out\\.hidden (2)");
}

}  // namespace
