// Rules of the source tree itself. The folders of src/ form layers: only app, the top, knows the
// program's globals and wires the GLUT callbacks, and no chain of includes leads from a folder
// back to itself. The build names its sources one by one, so a file left out of the lists would
// silently never compile or run.
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
