#include <gtest/gtest.h>

#include "app/command_line.h"

TEST(RecoverOption, IsTessalysOwnAndListedInTheHelp) {
    const char* argv[] = {"tessaly", "--recover", "-iconic"};
    const CommandLine line = parseCommandLine(3, argv);
    EXPECT_TRUE(line.recover);
    EXPECT_TRUE(line.unknownOption.empty());
    EXPECT_EQ(line.glutArguments, (std::vector<std::string>{"tessaly", "-iconic"}));
    EXPECT_FALSE(parseCommandLine(1, argv).recover);
    EXPECT_NE(usageText().find("--recover"), std::string::npos);
    EXPECT_NE(usageText().find("[--recover]"), std::string::npos);
}
