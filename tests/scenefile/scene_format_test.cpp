#include "scenefile/scene_format.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

const std::vector<std::string> library = {"box.wrl", "cone.wrl", "Sphere.wrl"};

// The four views as they stand right after start-up, each camera at home on its axis.
SceneFileContent startupViews() {
    SceneFileContent content;
    const int axes[4] = {0, 2, 1, 2};
    for (int i = 0; i < 4; ++i) {
        Vec3& eye = content.views[i].eye;
        (axes[i] == 0 ? eye.x : axes[i] == 1 ? eye.y : eye.z) = 5.0f;
    }
    return content;
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> result;
    size_t start = 0;
    for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
        result.push_back(text.substr(start, end - start + 1));
    }
    result.push_back(text.substr(start));
    return result;
}

bool endsWith(const std::string& s, const std::string& tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

std::string identityTokens() {
    return "1 0 0 0 0 1 0 0 0 0 1 0 0 0 0 1 ";
}

std::string viewLine(const std::string& tail = "0 0 5 0 0 0 0 0 ") {
    return identityTokens() + identityTokens() + tail + "\n";
}

std::string validFile() {
    return viewLine() + viewLine() + viewLine() + viewLine() + "box.wrl " + identityTokens() +
           "cone.wrl 2 0 0 0 0 2 0 0 0 0 2 0 0.5 -1 3 1 ";
}

}  // namespace

TEST(SceneFileFormat, WorkedExampleByteForByte) {
    SceneFileContent content = startupViews();
    ObjectRecord box{"box.wrl"};
    box.transform[12] = 1.0f;  // translated by 0.5 along X twice
    content.objects.push_back(box);

    const std::string text = formatSceneFile(content);
    const auto l = lines(text);
    ASSERT_EQ(l.size(), 5u);
    const char* tails[4] = {"5 0 0 0 0 0 0 0 \n", "0 0 5 0 0 0 0 0 \n", "0 5 0 0 0 0 0 0 \n",
                            "0 0 5 0 0 0 0 0 \n"};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(l[i], identityTokens() + identityTokens() + tails[i]);
    }
    EXPECT_EQ(l[4], "box.wrl 1 0 0 0 0 1 0 0 0 0 1 0 1 0 0 1 ");
    EXPECT_FALSE(endsWith(text, "\n"));
}

TEST(SceneFileFormat, EveryTokenIsFollowedByOneSpace) {
    SceneFileContent content = startupViews();
    content.views[3].rotX = -40;
    content.views[3].rotY = 359;
    content.views[0].zoom = 0.25f;
    content.views[1].panX = -1e-5f;
    content.views[2].projection[0] = 1.5e6f;
    content.objects.push_back({"cone.wrl"});
    content.objects.push_back({"box.wrl"});
    const std::string text = formatSceneFile(content);
    const auto l = lines(text);
    ASSERT_EQ(l.size(), 5u);
    EXPECT_TRUE(endsWith(l[3], " -40 359 0 \n"));
    EXPECT_TRUE(endsWith(l[0], " 0.25 \n"));
    EXPECT_NE(l[1].find(" 0 0 5 -1e-005 0 0 0 0 \n"), std::string::npos);
    EXPECT_EQ(l[2].rfind("1.5e+006 ", 0), 0u);
    EXPECT_EQ(l[4].rfind("cone.wrl 1 0 ", 0), 0u);
    EXPECT_NE(l[4].find(" 1 box.wrl 1 "), std::string::npos);
    EXPECT_EQ(text.find("  "), std::string::npos);
    for (int i = 0; i < 4; ++i) {
        int spaces = 0;
        for (char c : l[i]) {
            spaces += c == ' ';
        }
        EXPECT_EQ(spaces, 40);
    }
}

TEST(SceneFileFormat, EmptySceneIsFourLines) {
    const std::string text = formatSceneFile(startupViews());
    EXPECT_EQ(lines(text).size(), 5u);
    EXPECT_TRUE(endsWith(text, " \n"));
    const auto back = parseSceneFile(text, library);
    ASSERT_TRUE(back);
    EXPECT_TRUE(back->objects.empty());
    EXPECT_EQ(back->views[1].eye.z, 5.0f);
}

TEST(SceneFileFormat, RoundTripKeepsOrderNamesAndSixDigits) {
    SceneFileContent content = startupViews();
    for (int i = 0; i < 4; ++i) {
        for (int k = 0; k < 16; ++k) {
            content.views[i].projection[k] = 0.1f * k - i;
            content.views[i].modelview[k] = -1.0f / (k + 1 + i);
        }
        content.views[i].panX = 1e-7f * i;
        content.views[i].panY = -3.5f;
        content.views[i].rotX = -359 + i;
        content.views[i].rotY = 180;
        content.views[i].zoom = 0.9f;
    }
    const char* names[] = {"cone.wrl", "box.wrl", "cone.wrl", "Sphere.wrl"};
    for (int n = 0; n < 4; ++n) {
        ObjectRecord record{names[n]};
        for (int k = 0; k < 16; ++k) {
            record.transform[k] = (k == 0) ? 0.1234567f : static_cast<float>(n * 100 + k) / 7.0f;
        }
        content.objects.push_back(record);
    }

    const std::string text = formatSceneFile(content);
    const auto back = parseSceneFile(text, library);
    ASSERT_TRUE(back);
    ASSERT_EQ(back->objects.size(), 4u);
    const int indices[] = {1, 0, 1, 2};
    for (int n = 0; n < 4; ++n) {
        EXPECT_EQ(back->objects[n].name, names[n]);
        EXPECT_EQ(back->objects[n].modelIndex, indices[n]);
        EXPECT_EQ(back->objects[n].transform[0], 0.123457f);
        for (int k = 1; k < 16; ++k) {
            const float original = content.objects[n].transform[k];
            EXPECT_NEAR(back->objects[n].transform[k], original, std::fabs(original) * 1e-5f);
        }
    }
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(back->views[i].rotX, -359 + i);
        EXPECT_EQ(back->views[i].panY, -3.5f);
        EXPECT_EQ(back->views[i].zoom, 0.9f);
    }
    // A second round is exact: six-digit values print the same again.
    EXPECT_EQ(formatSceneFile(*back), text);
}

TEST(SceneFileParse, LineStructureAndKindOfWhiteSpaceDoNotMatter) {
    const auto reference = parseSceneFile(validFile(), library);
    ASSERT_TRUE(reference);
    std::string joined = validFile();
    for (char& c : joined) {
        if (c == '\n') {
            c = ' ';
        }
    }
    std::string crlf;
    for (char c : validFile()) {
        crlf += c == '\n'  ? std::string("\r\n")
                : c == ' ' ? std::string(" \t ")
                           : std::string(1, c);
    }
    crlf += "\r\n\r\n";
    for (const std::string& text : {joined, crlf, "\n\n  " + validFile()}) {
        const auto parsed = parseSceneFile(text, library);
        ASSERT_TRUE(parsed);
        EXPECT_EQ(formatSceneFile(*parsed), formatSceneFile(*reference));
    }
}

TEST(SceneFileParse, AnglesMustBeIntegersAndAreKeptWithinATurn) {
    auto withAngles = [](const std::string& x, const std::string& y) {
        return viewLine("0 0 5 0 0 " + x + " " + y + " 0 ") + viewLine() + viewLine() + viewLine();
    };
    const auto parsed = parseSceneFile(withAngles("720", "-400"), library);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->views[0].rotX, 0);
    EXPECT_EQ(parsed->views[0].rotY, -40);
    EXPECT_FALSE(parseSceneFile(withAngles("0", "1e2"), library));
    EXPECT_FALSE(parseSceneFile(withAngles("0", "99999999999"), library));
}

TEST(SceneFileParse, NamesWithWhiteSpaceAreWrittenAsTheyAreAndReadBack) {
    const std::vector<std::string> names = {"box.wrl",       "my box.wrl", "my box.wrl copy.wrl",
                                            " lead.wrl",     "trail.wrl ", "two  spaces.wrl",
                                            "tab\there.wrl", "a.wrl",      "a.wrl b.wrl"};
    SceneFileContent content = startupViews();
    const char* order[] = {"my box.wrl",  "box.wrl",    "my box.wrl copy.wrl", " lead.wrl",
                           "trail.wrl ",  "my box.wrl", "two  spaces.wrl",     "tab\there.wrl",
                           "a.wrl b.wrl", "a.wrl"};
    for (int n = 0; n < 10; ++n) {
        ObjectRecord record{order[n]};
        record.transform[12] = static_cast<float>(n);
        content.objects.push_back(record);
    }
    const std::string text = formatSceneFile(content);
    EXPECT_NE(text.find(" 0 0 5 0 0 0 0 0 \nmy box.wrl 1 0 0"), std::string::npos);
    const auto back = parseSceneFile(text, names);
    ASSERT_TRUE(back);
    ASSERT_EQ(back->objects.size(), 10u);
    for (int n = 0; n < 10; ++n) {
        EXPECT_EQ(back->objects[n].name, order[n]);
        EXPECT_EQ(names[back->objects[n].modelIndex], order[n]);
        EXPECT_EQ(back->objects[n].transform[12], static_cast<float>(n));
    }
    EXPECT_EQ(formatSceneFile(*back), text);
}

TEST(SceneFileParse, NamesWithWhiteSpaceMatchOnlyWholeAndFollowedBySixteenNumbers) {
    const std::vector<std::string> names = {"box.wrl", "cone.wrl", "lead.wrl", " lead.wrl",
                                            "my box.wrl"};
    const std::string good = validFile();
    const std::string numbers = identityTokens();
    const std::string fifteen = numbers.substr(0, numbers.size() - 2);
    struct Case {
        const char* what;
        std::string records;
    } cases[] = {
        {"not in the library", "your box.wrl " + numbers},
        {"other letter case", "My box.wrl " + numbers},
        {"longer word at the end", "my box.wrlx " + numbers},
        {"longer word at the start", "amy box.wrl " + numbers},
        {"fifteen numbers", "my box.wrl " + fifteen},
        {"fifteen numbers, then another record", "my box.wrl " + fifteen + "box.wrl " + numbers},
        {"nothing after the name", "my box.wrl "},
        {"a word between name and numbers", "my box.wrl big " + numbers},
    };
    for (const Case& c : cases) {
        EXPECT_FALSE(parseSceneFile(good + c.records, names)) << c.what;
    }
    // A name that starts with white space may not take the space written after the numbers
    // before it: there the one-word name is meant.
    const auto plain =
        parseSceneFile(good + "lead.wrl " + numbers + "my box.wrl " + numbers, names);
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->objects[2].modelIndex, 2);
    EXPECT_EQ(plain->objects[3].modelIndex, 4);
}

TEST(SceneFileParse, FirstMatchingLibraryNameWins) {
    const std::vector<std::string> twice = {"a.wrl", "box.wrl", "box.wrl"};
    const auto parsed = parseSceneFile(validFile().substr(0, validFile().find("cone.wrl")), twice);
    ASSERT_TRUE(parsed);
    ASSERT_EQ(parsed->objects.size(), 1u);
    EXPECT_EQ(parsed->objects[0].modelIndex, 1);
}

TEST(SceneFileContent, AllFiniteFindsInfAndNanAnywhere) {
    SceneFileContent content = startupViews();
    content.objects.push_back({"box.wrl"});
    EXPECT_TRUE(content.allFinite());
    content.objects[0].transform[13] = INFINITY;
    EXPECT_FALSE(content.allFinite());
    content.objects[0].transform[13] = 0;
    content.views[3].zoom = NAN;
    EXPECT_FALSE(content.allFinite());
    content.views[3].zoom = 0;
    content.views[2].modelview[5] = -INFINITY;
    EXPECT_FALSE(content.allFinite());
}

TEST(SceneFileParse, RefusalsSayWhereAndWhy) {
    const std::string good = validFile();
    const size_t fifthLine = good.rfind('\n') + 1;
    const std::vector<std::string> spaced = {"box.wrl", "cone.wrl", "my box.wrl"};
    const std::string fifteen = identityTokens().substr(0, identityTokens().size() - 2);
    struct Case {
        std::string text;
        const char* refusal;
        std::vector<std::string> names = library;
    } cases[] = {
        {"", "not a scene file: it is empty"},
        {" \n\r\n\t", "not a scene file: it is empty"},
        {good.substr(0, 37), "not a scene file: line 1 ends early"},
        {viewLine() + viewLine() + viewLine(), "not a scene file: line 3 ends early"},
        {viewLine() + viewLine() + viewLine() + "\r\n\n", "not a scene file: line 3 ends early"},
        {good.substr(0, fifthLine - 10), "not a scene file: line 4 ends early"},
        {good.substr(0, good.size() - 4), "not a scene file: line 5 ends early"},
        {good + "box.wrl ", "not a scene file: line 5 ends early"},
        {viewLine("0 0 five 0 0 0 0 0 ") + good, "not a scene file: bad number in line 1"},
        {viewLine() + viewLine("0 0 5 0 0 5.0 0 0 ") + good,
         "not a scene file: bad angle in line 2"},
        {good + "\n\nbox.wrl 1,5 0 0 0 0 1 0 0 0 0 1 0 0 0 0 1 ",
         "not a scene file: bad number in line 7"},
        {good + "cone.wrl 1e999 0 0 0 0 1 0 0 0 0 1 0 0 0 0 1 ",
         "not a scene file: bad number in line 5"},
        {good + "box.wrl nan 0 0 0 0 1 0 0 0 0 1 0 0 0 0 1 ",
         "not a scene file: bad number in line 5"},
        {good + "box.wrl 1x 0 0 0 0 1 0 0 0 0 1 0 0 0 0 1 ",
         "not a scene file: bad number in line 5"},
        {"inf" + good.substr(1), "not a scene file: bad number in line 1"},
        {std::string("\x7f"
                     "ELF\x02\x01\x01\0\0\0\xff\xfe",
                     12) +
             good,
         "not a scene file: bad number in line 1"},  // binary,
        {good + "my box.wrl " + identityTokens(), "no model 'my' in VRMLmodels"},
        {good + "pyramid.wrl " + identityTokens(), "no model 'pyramid.wrl' in VRMLmodels"},
        {good + "Box.wrl " + identityTokens(), "no model 'Box.wrl' in VRMLmodels"},
        {good + "1 " + identityTokens(), "no model '1' in VRMLmodels"},
        {good + std::string("box.wrl\0\t", 9) + identityTokens(),
         "no model 'box.wrl?' in VRMLmodels"},
        {good + "a-name-of-thirty-characters.wrl " + identityTokens(),
         "no model 'a-name-of-thirty-...' in VRMLmodels"},
        {good + "my box.wrl " + fifteen, "not a scene file: line 5 ends early", spaced},
        {good + "my box.wrl 1 2 x", "not a scene file: bad number in line 5", spaced},
    };
    for (const Case& c : cases) {
        std::string refusal;
        EXPECT_FALSE(parseSceneFile(c.text, c.names, refusal)) << c.refusal;
        EXPECT_EQ(refusal, c.refusal);
        EXPECT_FALSE(parseSceneFile(c.text, c.names)) << c.refusal;
    }

    // A file taken says nothing, and reads as the plain reading does.
    std::string refusal = "left from before";
    const auto parsed = parseSceneFile(good, library, refusal);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(refusal, "");
    EXPECT_EQ(formatSceneFile(*parsed), formatSceneFile(*parseSceneFile(good, library)));
}
