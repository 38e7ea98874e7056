#include "app/command_line.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

CommandLine parse(const std::vector<const char*>& arguments) {
    return parseCommandLine(static_cast<int>(arguments.size()), arguments.data());
}

TEST(CommandLineTest, OwnOptionsAreTakenAndGlutsArePassedOnInOrder) {
    const CommandLine none = parse({"tessaly"});
    EXPECT_FALSE(none.fullVrml || none.listModels || none.help);
    EXPECT_EQ(none.glutArguments, std::vector<std::string>{"tessaly"});

    const CommandLine mixed =
        parse({"./tessaly", "-display", ":3", "--full-vrml", "-geometry", "640x480+0+0",
               "--list-models", "-iconic", "-direct", "-indirect", "-gldebug", "-sync"});
    EXPECT_TRUE(mixed.fullVrml);
    EXPECT_TRUE(mixed.listModels);
    EXPECT_FALSE(mixed.help);
    EXPECT_TRUE(mixed.unknownOption.empty());
    EXPECT_EQ(mixed.glutArguments,
              (std::vector<std::string>{"./tessaly", "-display", ":3", "-geometry", "640x480+0+0",
                                        "-iconic", "-direct", "-indirect", "-gldebug", "-sync"}));

    EXPECT_TRUE(parse({"tessaly", "--help"}).help);
}

TEST(CommandLineTest, AnUnknownDoubleDashOptionIsAnError) {
    for (const char* wrong : {"--full", "--full-vrml=1", "--", "--HELP", "--list-model"}) {
        const CommandLine line = parse({"tessaly", "--full-vrml", wrong, "--bogus"});
        EXPECT_EQ(line.unknownOption, wrong) << "the first unknown one is named";
    }
    // The value of -display or -geometry is GLUT's, whatever it looks like.
    const CommandLine value = parse({"tessaly", "-display", "--odd", "-geometry", "--help"});
    EXPECT_TRUE(value.unknownOption.empty());
    EXPECT_FALSE(value.help);
    EXPECT_EQ(value.glutArguments,
              (std::vector<std::string>{"tessaly", "-display", "--odd", "-geometry", "--help"}));
}

TEST(CommandLineTest, UsageNamesEveryOption) {
    const std::string usage = usageText();
    for (const char* option : {"--full-vrml", "--list-models", "--help", "-display", "-geometry",
                               "-iconic", "-direct", "-indirect", "-gldebug", "-sync"}) {
        EXPECT_NE(usage.find(option), std::string::npos) << option;
    }
}

}  // namespace

TEST(CommandLineTest, ExportTakesTheTwoPathsThatFollowIt) {
    const CommandLine line =
        parse({"tessaly", "--full-vrml", "--export", "--odd.vsf", "-out.glb", "-sync"});
    EXPECT_TRUE(line.exportScene);
    EXPECT_EQ(line.exportFrom, "--odd.vsf");
    EXPECT_EQ(line.exportTo, "-out.glb");
    EXPECT_TRUE(line.fullVrml);
    EXPECT_TRUE(line.unknownOption.empty());
    EXPECT_TRUE(line.exportError.empty());
    EXPECT_EQ(line.glutArguments, (std::vector<std::string>{"tessaly", "-sync"}));
    const CommandLine short_ = parse({"tessaly", "--export", "a.vsf"});
    EXPECT_FALSE(short_.exportError.empty());
    EXPECT_FALSE(parse({"tessaly"}).exportScene);
}
