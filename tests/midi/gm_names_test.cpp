#include "midi/gm_names.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

using namespace pitkad;

// The names are the translation tools' source texts: two programs sharing a
// name could not be translated apart.
TEST(GmNames, EveryProgramHasItsOwnName) {
    std::set<std::string> seen;
    for (const char* name : gm_program_names) {
        ASSERT_NE(name, nullptr);
        EXPECT_FALSE(std::string(name).empty());
        EXPECT_TRUE(seen.insert(name).second) << name;
    }
    EXPECT_STREQ(gm_program_name(-1), "");
    EXPECT_STREQ(gm_program_name(128), "");
}
