// Rules of the source tree itself. The folders of src/ form layers in the order the README states:
// a folder includes only folders below it, only app, the top, knows the program's globals and
// wires the GLUT callbacks, and no chain of includes leads from a folder back to itself. The
// reader helper program's sources stand apart: they may use the reader's stream format and the
// plain vector types, and nothing of the editor includes them. The build names its sources one by
// one, so a file left out of the lists would silently never compile or run.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

const fs::path TOP = TESSALY_SOURCE_DIR;

std::string textOf(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<fs::path> filesBelow(const fs::path& folder, const std::set<std::string>& extensions) {
    std::vector<fs::path> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (entry.is_regular_file() && extensions.contains(entry.path().extension().string())) {
            files.push_back(entry.path());
        }
    }
    return files;
}

// One include of a header in another folder of src/: where it stands and what it names.
struct Include {
    std::string place;   // "src/interact/view_mouse.cpp:4"
    std::string header;  // "app/globals.h"
};

// folder -> folder it includes -> the includes that make the edge
using FolderGraph = std::map<std::string, std::map<std::string, std::vector<Include>>>;

FolderGraph folderGraph() {
    const fs::path src = TOP / "src";
    const std::regex quoted(R"re(^\s*#\s*include\s*"(([^/"]+)/[^"]*)")re");
    FolderGraph graph;
    for (const fs::path& file : filesBelow(src, {".h", ".cpp"})) {
        const std::string folder = fs::relative(file, src).begin()->string();
        graph[folder];
        std::istringstream lines(textOf(file));
        std::string line;
        for (int number = 1; std::getline(lines, line); ++number) {
            std::smatch match;
            // Headers of other libraries ("backends/...") are no folder of ours.
            if (!std::regex_search(line, match, quoted) || match[2] == folder ||
                !fs::is_directory(src / match[2].str())) {
                continue;
            }
            const std::string place =
                fs::relative(file, TOP).string() + ":" + std::to_string(number);
            graph[folder][match[2]].push_back({place, match[1]});
        }
    }
    return graph;
}

// A chain of folders that leads back to its first one, or empty when there is none.
std::vector<std::string> findCycle(const FolderGraph& graph) {
    enum class Mark { Unseen, OnPath, Done };
    std::map<std::string, Mark> marks;
    std::vector<std::string> path;
    std::vector<std::string> cycle;
    auto visit = [&](auto& self, const std::string& folder) -> void {
        marks[folder] = Mark::OnPath;
        path.push_back(folder);
        const auto edges = graph.find(folder);
        if (edges != graph.end()) {
            for (const auto& [next, includes] : edges->second) {
                if (!cycle.empty()) {
                    break;
                }
                if (marks[next] == Mark::OnPath) {
                    cycle.assign(std::find(path.begin(), path.end(), next), path.end());
                    cycle.push_back(next);
                } else if (marks[next] == Mark::Unseen) {
                    self(self, next);
                }
            }
        }
        path.pop_back();
        marks[folder] = Mark::Done;
    };
    for (const auto& [folder, edges] : graph) {
        if (cycle.empty() && marks[folder] == Mark::Unseen) {
            visit(visit, folder);
        }
    }
    return cycle;
}

TEST(SourceTree, OnlyTheProgramIncludesItsOwnHeaders) {
    const FolderGraph graph = folderGraph();
    ASSERT_TRUE(graph.contains("app"));
    ASSERT_TRUE(graph.contains("scene"));
    std::string found;
    for (const auto& [folder, edges] : graph) {
        const auto app = edges.find("app");
        if (folder != "app" && app != edges.end()) {
            for (const Include& include : app->second) {
                found += include.place + " includes " + include.header + "\n";
            }
        }
    }
    EXPECT_EQ(found, "");
}

TEST(SourceTree, FolderIncludesLeadNeverBackToWhereTheyStarted) {
    const FolderGraph graph = folderGraph();
    const std::vector<std::string> cycle = findCycle(graph);
    std::string chain;
    for (std::size_t i = 0; i + 1 < cycle.size(); ++i) {
        const Include& include = graph.at(cycle[i]).at(cycle[i + 1]).front();
        chain += include.place + " includes " + include.header + "\n";
    }
    EXPECT_EQ(chain, "");
}

// The check itself finds a cycle where there is one.
TEST(SourceTree, ACycleOfIncludesIsFound) {
    FolderGraph graph;
    graph["app"]["view"].push_back({"a", "view/view.h"});
    graph["view"]["scene"].push_back({"v", "scene/scene.h"});
    EXPECT_TRUE(findCycle(graph).empty());
    graph["scene"]["app"].push_back({"s", "app/globals.h"});
    EXPECT_EQ(findCycle(graph), (std::vector<std::string>{"app", "view", "scene", "app"}));
}

// The folders of src/ in the order the README's structure paragraph names them, top first: every
// `src/NAME` between "The layout of the sources, top layer first:" and "A folder includes only
// folders after it".
std::vector<std::string> statedLayers() {
    const std::string readme = textOf(TOP / "README.md");
    const std::string start = "The layout of the sources, top layer first:";
    const std::string end = "A folder includes only folders after it";
    const auto from = readme.find(start);
    const auto to = readme.find(end, from == std::string::npos ? 0 : from);
    if (from == std::string::npos || to == std::string::npos) {
        return {};
    }
    const std::string paragraph = readme.substr(from, to - from);
    const std::regex named("`src/([a-z_]+)`");
    std::vector<std::string> layers;
    for (auto it = std::sregex_iterator(paragraph.begin(), paragraph.end(), named);
         it != std::sregex_iterator(); ++it) {
        if (std::find(layers.begin(), layers.end(), (*it)[1].str()) == layers.end()) {
            layers.push_back((*it)[1].str());
        }
    }
    return layers;
}

// The folder of the helper program's own sources, which is no layer of the editor.
const std::string HELPER = "reader_helper";

// Where the include graph breaks the stated order: an include of a folder at or above the
// including one, of a folder the order does not name, or, for the helper, of anything but the
// reader's headers and the plain vector types; and any include of the helper's sources.
std::string orderBreaches(const FolderGraph& graph, const std::vector<std::string>& layers) {
    auto rank = [&](const std::string& folder) {
        return std::find(layers.begin(), layers.end(), folder) - layers.begin();
    };
    const auto unknown = static_cast<std::ptrdiff_t>(layers.size());
    std::string found;
    for (const auto& [folder, edges] : graph) {
        if (folder != HELPER && rank(folder) == unknown) {
            found += "src/" + folder + " is not in the README's order\n";
        }
        for (const auto& [target, includes] : edges) {
            for (const Include& include : includes) {
                const bool allowed = folder == HELPER
                                         ? target == "reader" || include.header == "scene/vec.h"
                                         : target != HELPER && rank(target) != unknown &&
                                               rank(target) > rank(folder);
                if (!allowed) {
                    found += include.place + " includes " + include.header + "\n";
                }
            }
        }
    }
    return found;
}

// The README states the order and names every folder of src/ but the helper's, the reader's
// side among them (it may not exist yet: a named folder without sources is allowed).
TEST(SourceTree, TheReadmeStatesTheLayers) {
    const std::vector<std::string> layers = statedLayers();
    EXPECT_EQ(layers, (std::vector<std::string>{"app", "interact", "view", "scenefile", "library",
                                                "reader", "edit", "panel", "scene", "platform"}));
}

TEST(SourceTree, EveryIncludePointsDownTheStatedLayers) {
    const std::vector<std::string> layers = statedLayers();
    ASSERT_FALSE(layers.empty()) << "README.md states no order of the folders";
    EXPECT_EQ(orderBreaches(folderGraph(), layers), "");
}

// The check itself finds includes that point up, sideways into an unnamed folder, into the
// helper, or out of the helper beyond what it may use.
TEST(SourceTree, AnIncludeAgainstTheOrderIsFound) {
    const std::vector<std::string> layers = {"app", "view", "reader", "scene"};
    FolderGraph graph;
    graph["app"]["view"].push_back({"a:1", "view/view.h"});
    graph["view"]["scene"].push_back({"v:1", "scene/scene.h"});
    graph[HELPER]["reader"].push_back({"h:1", "reader/mesh_lists.h"});
    graph[HELPER]["scene"].push_back({"h:2", "scene/vec.h"});
    EXPECT_EQ(orderBreaches(graph, layers), "");
    graph["scene"]["view"].push_back({"s:1", "view/camera.h"});
    graph["view"]["extra"].push_back({"v:2", "extra/thing.h"});
    graph["reader"][HELPER].push_back({"r:1", "reader_helper/walk.h"});
    graph[HELPER]["scene"].push_back({"h:3", "scene/mesh.h"});
    graph["extra"];
    EXPECT_EQ(orderBreaches(graph, layers),
              "src/extra is not in the README's order\n"
              "r:1 includes reader_helper/walk.h\n"
              "h:3 includes scene/mesh.h\n"
              "s:1 includes view/camera.h\n"
              "v:2 includes extra/thing.h\n");
}

TEST(SourceTree, EverySourceFileIsInTheBuild) {
    const std::string top = textOf(TOP / "CMakeLists.txt");
    const std::string tests = textOf(TOP / "tests" / "CMakeLists.txt");
    const std::string bench = textOf(TOP / "bench" / "CMakeLists.txt");
    // Whether `name` stands in the lists as a whole word or path (a file list, a target name).
    auto listed = [](const std::string& lists, const std::string& name) {
        for (auto at = lists.find(name); at != std::string::npos; at = lists.find(name, at + 1)) {
            const char before = at == 0 ? ' ' : lists[at - 1];
            const std::size_t end = at + name.size();
            const char after = end == lists.size() ? ' ' : lists[end];
            if ((std::isspace(static_cast<unsigned char>(before)) || before == '/' ||
                 before == '(') &&
                (std::isspace(static_cast<unsigned char>(after)) || after == ')')) {
                return true;
            }
        }
        return false;
    };
    std::string missing;
    for (const fs::path& file : filesBelow(TOP / "src", {".cpp"})) {
        const std::string path = fs::relative(file, TOP).string();
        if (!listed(top, path)) {
            missing += path + "\n";
        }
    }
    for (const fs::path& file : filesBelow(TOP / "tests", {".cpp"})) {
        const std::string path = fs::relative(file, TOP / "tests").string();
        if (!listed(tests, path) && !listed(top, "tests/" + path)) {
            missing += "tests/" + path + "\n";
        }
    }
    for (const fs::path& file : filesBelow(TOP / "bench", {".cpp"})) {
        if (!listed(bench, file.filename().string())) {
            missing += "bench/" + file.filename().string() + "\n";
        }
    }
    // Fuzz targets are listed by name; each is built from fuzz/<name>.cpp.
    for (const fs::path& file : filesBelow(TOP / "fuzz", {".cpp"})) {
        if (!listed(top, file.stem().string())) {
            missing += "fuzz/" + file.filename().string() + "\n";
        }
    }
    EXPECT_EQ(missing, "");
}

}  // namespace
