// The in-memory model reader against the straightforward stream reader (reference_reader.h):
// the four lists must be the same, bit for bit (NaN signs and payloads included), on every kind
// of content: sample models, generated models, number forms of every shape, and thousands of
// damaged files.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "library/model_folder.h"
#include "library/model_text.h"
#include "library/vrml_reader.h"
#include "scene/mesh.h"
#include "support/reference_reader.h"
#include "support/same_bits.h"
#include "support/sections.h"

namespace {

// Content shown in a failure message, with unprintable bytes escaped and long texts shortened.
std::string shown(const std::string& content) {
    std::string out;
    for (size_t i = 0; i < content.size() && out.size() < 600; ++i) {
        const unsigned char c = content[i];
        if (c >= 32 && c < 127) {
            out += static_cast<char>(c);
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02x", c);
            out += escaped;
        }
    }
    return out + (content.size() > 600 ? "..." : "") + " (" + std::to_string(content.size()) +
           " bytes)";
}

// The first point that differs, for a readable failure.
std::string firstDifference(const Sections& fast, const Sections& reference) {
    std::ostringstream out;
    out << "points " << fast.points.size() << "/" << reference.points.size() << ", normals "
        << fast.normals.size() << "/" << reference.normals.size() << ", coordIndex "
        << fast.coordIndex.size() << "/" << reference.coordIndex.size() << ", normalIndex "
        << fast.normalIndex.size() << "/" << reference.normalIndex.size();
    for (size_t i = 0; i < std::min(fast.points.size(), reference.points.size()); ++i) {
        if (std::memcmp(&fast.points[i], &reference.points[i], sizeof(Vec3d)) != 0) {
            char text[200];
            std::snprintf(text, sizeof text, "; point %zu: %a %a %a vs %a %a %a", i,
                          fast.points[i].x, fast.points[i].y, fast.points[i].z,
                          reference.points[i].x, reference.points[i].y, reference.points[i].z);
            out << text;
            break;
        }
    }
    return out.str();
}

// Reads content both ways: the section readers over the text in memory, and the reference
// section readers over a real file holding the same bytes.
class Differential {
public:
    Differential() : file(std::tmpfile()) {}
    ~Differential() {
        if (file) {
            std::fclose(file);
        }
    }

    Sections fast(const std::string& content) { return readSections(content); }

    Sections reference(const std::string& content) {
        EXPECT_EQ(::ftruncate(::fileno(file), 0), 0);
        std::rewind(file);
        std::fwrite(content.data(), 1, content.size(), file);
        std::fflush(file);
        std::rewind(file);
        return referenceReadSections(file);
    }

    // True when both readings agree; the first few disagreements are reported in full.
    bool agree(const std::string& content) {
        ++cases;
        const Sections f = fast(content);
        const Sections r = reference(content);
        if (sameLists(f, r)) {
            return true;
        }
        if (++failures <= 5) {
            ADD_FAILURE() << "readers disagree (" << firstDifference(f, r) << ") on "
                          << shown(content);
        }
        return false;
    }

    std::FILE* file;
    int cases = 0;
    int failures = 0;
};

// Writes a number in one of many forms that "%lf" may meet.
std::string randomNumber(std::mt19937& random) {
    std::uniform_int_distribution<int> form(0, 15);
    std::uniform_real_distribution<double> unit(-1, 1);
    std::uniform_int_distribution<int> exponent(-330, 330);
    std::uniform_int_distribution<uint64_t> bits;
    char text[128];
    const double x = unit(random) * std::pow(10.0, exponent(random) / 10);
    switch (form(random)) {
        case 0:
            std::snprintf(text, sizeof text, "%.6f", unit(random) * 2);
            break;
        case 1:
            std::snprintf(text, sizeof text, "%.17g", x);
            break;
        case 2:
            std::snprintf(text, sizeof text, "%.9g", x);
            break;
        case 3:
            std::snprintf(text, sizeof text, "%e", x);
            break;
        case 4:
            std::snprintf(text, sizeof text, "%a", x);
            break;
        case 5:
            std::snprintf(text, sizeof text, "%.20E", x);
            break;
        case 6: {
            // Any bit pattern, NaNs and infinities included, shortest and in hex.
            double d;
            const uint64_t b = bits(random);
            std::memcpy(&d, &b, sizeof d);
            std::snprintf(text, sizeof text, (b & 1) ? "%.17g" : "%a", d);
            break;
        }
        case 7:
            std::snprintf(text, sizeof text, "%d", static_cast<int>(bits(random) % 2001) - 1000);
            break;
        case 8: {
            // Long digit strings: near halfway cases and far past 19 digits.
            std::string digits = std::to_string(bits(random)) + std::to_string(bits(random));
            digits.insert(std::uniform_int_distribution<size_t>(0, digits.size())(random), ".");
            return (bits(random) & 1 ? "-" : "") + digits + (bits(random) & 1 ? "e-5" : "");
        }
        case 9:
            std::snprintf(text, sizeof text, "%.0f", x);
            break;
        case 10:
            std::snprintf(text, sizeof text, "%.3fe%+d", unit(random), exponent(random));
            break;
        case 11:
            std::snprintf(text, sizeof text, "%g", x * 1e-300);
            break;
        case 12: {
            static const char* const odd[] = {
                "inf",
                "-INF",
                "Infinity",
                "+infinity",
                "nan",
                "-NaN",
                "NAN(123)",
                "nan()",
                "0x1.8p3",
                "0X1P-1074",
                "0x.8p1",
                "0x",
                "-0x",
                "0xg",
                "0x1p",
                "0x1p+",
                "1e",
                "1e+",
                "1E-",
                ".5",
                "5.",
                "-.5e1",
                "+.",
                "-",
                "+",
                ".",
                "..",
                "1..2",
                "1e5e5",
                "1e+-5",
                "00000000000000000000001.5",
                "2.2250738585072011e-308",
                "4.9406564584124654e-324",
                "2e-324",
                "1e-400",
                "1e400",
                "-1e400",
                "9007199254740993",
                "9007199254740992.5",
                "0.1000000000000000055511151231257827021181583404541015625",
                "179769313486231580793728971405303415079934132710037826936173778980444968292764750"
                "946649017977587207096330286416692887910946555547851940402630657488671505820681908"
                "902000708383676273854845817711531764475730270069855571366959622842914819860834936"
                "475292719074168444365510704342711559699508093042880177904174497791.9999999999",
                "infinit",
                "infinityx",
                "infx",
                "nanx",
                "na",
                "in",
                "-0",
                "+0",
                "0e999999999",
                "1e-99999999999",
                "123456789012345678901234567890e-10"};
            return odd[bits(random) % std::size(odd)];
        }
        default:
            std::snprintf(text, sizeof text, "%.*f", form(random) % 8, x);
            break;
    }
    return text;
}

TEST(VrmlDifferentialTest, NumbersOfEveryFormReadWithTheSameBits) {
    std::mt19937 random(7);
    Differential d;
    const char* const separators[] = {" ", "  ", "\n", ", ", ",", "\t", "\r\n", " ,"};
    for (int file = 0; file < 60; ++file) {
        std::string text = "#VRML V1.0 ascii\nCoordinate3 { point [\n";
        std::string normals = "Normal { vector [ ";
        for (int i = 0; i < 300; ++i) {
            text += randomNumber(random);
            text += separators[random() % std::size(separators)];
            normals += randomNumber(random) + " ";
        }
        d.agree(text + "] }\n" + normals + "] }");
    }
    // Long runs of plain numbers, so that every list gets far (no odd forms to stop it).
    std::uniform_int_distribution<int> plainForm(0, 4);
    std::string plain = "# Coordinate3 { point [ ";
    for (int i = 0; i < 30000; ++i) {
        const double x =
            std::ldexp(static_cast<double>(random()), -static_cast<int>(random() % 60));
        char number[64];
        static const char* const formats[] = {"%.6f", "%.17g", "%.9g", "%e", "%a"};
        std::snprintf(number, sizeof number, formats[plainForm(random)], random() % 2 ? x : -x);
        plain += number;
        plain += i % 3 == 2 ? ",\n" : " ";
    }
    d.agree(plain + "] }");
    EXPECT_EQ(d.failures, 0) << "of " << d.cases;
}

// Small files that reach every reader: both VRML versions, odd spacing and commas.
std::vector<std::string> seedFiles() {
    return {
        "#VRML V1.0 ascii\nSeparator {\n  Coordinate3 { point [\n    0 0 0,\n    1 0 0,\n"
        "    1 1 0,\n    0 1 0,\n  ] }\n  Normal { vector [\n    0 0 1,\n    0 0 -1,\n  ] }\n"
        "  IndexedFaceSet {\n    coordIndex [ 0, 1, 2, 3, -1, ]\n"
        "    normalIndex [ 0,0,0,0,-1, ]\n  }\n}\n",
        "#VRML V2.0 utf8\nShape {\n  geometry IndexedFaceSet {\n"
        "    coord Coordinate { point [ 0 0 0, 1.5 0 0, 0 1e0 0, 0 0 -2.25, ] }\n"
        "    normal Normal { vector [ 0 0 1, 1 0 0, ] }\n"
        "    coordIndex [ 0, 1, 2, -1, 0, 3, 1, -1, ]\n"
        "    normalIndex [ 0,0,0,-1, 1,1,1,-1, ]\n  }\n}\n",
        "#VRML V2.0 utf8\ncoord Coordinate { point [ 0 0 0 1 0 0 0 1 0 0 0 1 ] }\n"
        "coordIndex [ 0 , 1 , 2 , -1 , 0,1,2,-1, 3 2 1 -1 ] normalIndex [ 0 , 1,2,-1 ]\n",
        "Coordinate3 { point [ 1 2 3, ] }\r\nNormal { vector [ 0x1p0 -0 nan, inf 1e-3 .5 ] }"
        "\r\ncoordIndex [ 0, 1, 2, 3, 4, -1, -1, 5, -1 ]\r\nnormalIndex [ 2,1,0,-1,7 ]",
    };
}

// Pieces a damaged file may contain: every token that changes how a read goes.
std::vector<std::string> trickyTokens() {
    std::vector<std::string> tokens = {"-",
                                       "+",
                                       "+.",
                                       ".",
                                       "1e",
                                       "1e+",
                                       "1E-",
                                       "0x",
                                       "0x1.8p3",
                                       "0x.",
                                       "inf",
                                       "INFINITY",
                                       "infin",
                                       "nan",
                                       "nan(",
                                       "nan(1)",
                                       ",",
                                       ",,",
                                       " , ",
                                       "[",
                                       "]",
                                       "{",
                                       "}",
                                       "-1",
                                       "-1,",
                                       "0",
                                       "7",
                                       "12,",
                                       "3.5",
                                       "-0",
                                       "\r",
                                       "\r\n",
                                       "\n",
                                       "\t",
                                       "\v",
                                       "\f",
                                       std::string(1, '\0'),
                                       std::string("\0\0", 2),
                                       "Coordinate",
                                       "Coordinate3",
                                       "Normal",
                                       "coordIndex",
                                       "normalIndex",
                                       "point",
                                       "#",
                                       "99999999999",
                                       "-9223372036854775809",
                                       "2147483648",
                                       "4294967295",
                                       "9223372036854775807",
                                       "18446744073709551616",
                                       "1e400",
                                       "-1e-400"};
    tokens.push_back(std::string(60, '9'));
    tokens.push_back("0." + std::string(80, '3'));
    for (size_t length : {98, 99, 100, 101, 198}) {
        tokens.push_back(std::string(length, 'w'));
        tokens.push_back(std::string(length, ','));
        tokens.push_back(std::string(length, '5'));
    }
    return tokens;
}

TEST(VrmlDifferentialTest, DamagedFilesReadTheSameAsTheReference) {
    std::mt19937 random(20261207);
    Differential d;
    const std::vector<std::string> seeds = seedFiles();
    const std::vector<std::string> tokens = trickyTokens();
    auto below = [&](size_t n) { return std::uniform_int_distribution<size_t>(0, n)(random); };
    for (int round = 0; round < 6000; ++round) {
        std::string text = seeds[round % seeds.size()];
        const int edits = 1 + static_cast<int>(below(3));
        for (int e = 0; e < edits; ++e) {
            switch (below(4)) {
                case 0:
                    text[below(text.size() - 1)] = static_cast<char>(below(255));
                    break;
                case 1:
                    text.insert(below(text.size()), tokens[below(tokens.size() - 1)]);
                    break;
                case 2: {
                    // A token glued to a keyword or a number, or set apart by a space.
                    const size_t at = below(text.size());
                    text.insert(at, (below(1) ? " " : "") + tokens[below(tokens.size() - 1)]);
                    break;
                }
                default:
                    text.erase(below(text.size() - 1), below(8));
                    break;
            }
            if (text.empty()) {
                text = " ";
            }
        }
        d.agree(text);
    }
    EXPECT_EQ(d.failures, 0) << "of " << d.cases;
}

TEST(VrmlDifferentialTest, EveryTruncationAndEveryWordCutReadsTheSame) {
    Differential d;
    for (const std::string& seed : seedFiles()) {
        for (size_t length = 0; length <= seed.size(); ++length) {
            d.agree(seed.substr(0, length));
        }
    }
    // Keywords at every offset of a long run of other characters: found only where a 99-character
    // cut lets them start a word, and not when they end the file.
    for (size_t run = 0; run <= 300; run += (run < 90 || (run > 190 && run < 205)) ? 1 : 7) {
        for (const char* keyword : {"Coordinate3", "Normal", "coordIndex", "normalIndex"}) {
            const std::string filler(run, 'k');
            const std::string tail = std::string(" { v [ 1 2 3, 4 5 6 ] }") + (run % 2 ? "" : " ");
            d.agree(filler + keyword + tail);
            d.agree("#VRML " + filler + keyword + " [ 0, 1, 2, -1, 1,2,3,-1 ]");
            d.agree("#VRML " + filler + keyword);
            d.agree(filler + keyword);
        }
    }
    EXPECT_EQ(d.failures, 0) << "of " << d.cases;
}

// Generated models of several shapes, written as exporters write them.
std::string generatedModel(int n, const char* numberFormat, const char* lineEnd, bool normals,
                           bool vrml1) {
    std::string text = vrml1 ? "#VRML V1.0 ascii\nSeparator {\nCoordinate3 { point [\n"
                             : "#VRML V2.0 utf8\nShape { geometry IndexedFaceSet {\n"
                               "coord Coordinate { point [\n";
    char line[256];
    const std::string format =
        std::string(numberFormat) + " " + numberFormat + " " + numberFormat + "," + lineEnd;
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < n; ++j) {
            const double u = 6.283185307179586 * i / n;
            const double v = 6.283185307179586 * j / n;
            std::snprintf(line, sizeof line, format.c_str(), (1 + 0.3 * std::cos(v)) * std::cos(u),
                          (1 + 0.3 * std::cos(v)) * std::sin(u), 0.3 * std::sin(v));
            text += line;
        }
    }
    text += "] }\n";
    if (normals) {
        text += vrml1 ? "Normal { vector [\n" : "normal Normal { vector [\n";
        for (int i = 0; i < n * n; ++i) {
            std::snprintf(line, sizeof line, format.c_str(), std::cos(i * 0.1), std::sin(i * 0.1),
                          1e-7 * i);
            text += line;
        }
        text += "] }\n";
    }
    text += vrml1 ? "IndexedFaceSet {\n" : "";
    for (const char* list : {"coordIndex [", "normalIndex ["}) {
        if (!normals && list[0] == 'n') {
            break;
        }
        text += list;
        text += lineEnd;
        for (int i = 0; i < n; ++i) {
            for (int j = 0; j < n; ++j) {
                const int a = i * n + j;
                const int b = i * n + (j + 1) % n;
                const int c = ((i + 1) % n) * n + (j + 1) % n;
                const int e = ((i + 1) % n) * n + j;
                std::snprintf(line, sizeof line,
                              list[0] == 'c' ? "%d, %d, %d, %d, -1,%s" : "%d,%d,%d,%d,-1,%s", a, b,
                              c, e, lineEnd);
                text += line;
            }
        }
        text += "]\n";
    }
    return text + "} }\n";
}

TEST(VrmlDifferentialTest, GeneratedModelsReadTheSame) {
    Differential d;
    int shape = 0;
    for (const char* format : {"%.6f", "%.17g", "%g", "%e", "%a", "%.3f"}) {
        for (const char* lineEnd : {"\n", "\r\n", " "}) {
            ++shape;
            const std::string model =
                generatedModel(8 + shape, format, lineEnd, shape % 3 != 0, shape % 2 == 0);
            EXPECT_TRUE(d.agree(model)) << format;
            EXPECT_GT(d.fast(model).coordIndex.size(), 100u) << format;
        }
    }
}

class VrmlDifferentialLoadTest : public ModelFolderTest {};

// Whole loads from files (the mapped path, repairs and generated normals included) against the
// reference load, on the sample models and on a model large enough to be read in several
// stretches of pages.
TEST_F(VrmlDifferentialLoadTest, LoadModelMatchesTheReferenceLoad) {
    const std::filesystem::path examples =
        std::filesystem::path(TESSALY_SOURCE_DIR) / "examples" / "VRMLmodels";
    int loaded = 0;
    for (const auto& entry : std::filesystem::directory_iterator(examples)) {
        std::filesystem::copy_file(entry.path(), folder / "VRMLmodels" / entry.path().filename());
        Mesh fast(entry.path().filename().string());
        Mesh reference(fast.name);
        ASSERT_TRUE(loadModel(fast));
        ASSERT_TRUE(referenceLoadModel(reference));
        EXPECT_TRUE(sameLists(fast, reference)) << fast.name;
        EXPECT_FALSE(fast.coordIndex.empty()) << fast.name;
        ++loaded;
    }
    EXPECT_GE(loaded, 5);

    // About 10 MB: more than two release steps of the mapped reader.
    writeModel("large.wrl", generatedModel(220, "%.17g", "\n", true, false));
    Mesh fast("large.wrl");
    Mesh reference("large.wrl");
    ASSERT_TRUE(loadModel(fast));
    ASSERT_TRUE(referenceLoadModel(reference));
    EXPECT_EQ(fast.coordIndex.size(), 2u * 220 * 220);
    EXPECT_TRUE(sameLists(fast, reference));

    // Empty and whitespace-only files, and text without a model.
    for (const std::string& content : {std::string(), std::string(" \n"), std::string("x")}) {
        writeModel("small.wrl", content);
        Mesh a("small.wrl");
        Mesh b("small.wrl");
        EXPECT_TRUE(loadModel(a));
        EXPECT_TRUE(referenceLoadModel(b));
        EXPECT_TRUE(sameLists(a, b));
    }
}

TEST(VrmlDifferentialTest, ReadModelTextMatchesTheReferenceLoad) {
    for (const std::string& content : seedFiles()) {
        Mesh fromText("t.wrl");
        readModelText(fromText, content);
        std::FILE* file = std::tmpfile();
        std::fwrite(content.data(), 1, content.size(), file);
        std::fflush(file);
        Mesh reference("t.wrl");
        ASSERT_TRUE(
            referenceLoadFile(reference, "/proc/self/fd/" + std::to_string(::fileno(file))));
        std::fclose(file);
        EXPECT_TRUE(sameLists(fromText, reference)) << shown(content);
    }
}

}  // namespace
