#pragma once

// End-to-end harness: starts the real program on a private virtual X server in a fresh temporary
// folder, finds its windows, drives it with real X input (xdotool), reads pixels from the screen,
// closes it like a window manager would and collects its exit status. Nothing outlives the
// ProgramRun: the destructor kills the program and the X server and removes the folder.

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

struct Rgb {
    int r = 0, g = 0, b = 0;
    bool operator==(const Rgb&) const = default;
    bool near(const Rgb& other, int tolerance = 8) const;
};
std::ostream& operator<<(std::ostream& out, const Rgb& colour);

struct Point {
    int x = 0, y = 0;
};

struct ScreenRect {
    int x = 0, y = 0, width = 0, height = 0;
    Point centre() const { return {x + width / 2, y + height / 2}; }
    bool contains(Point p) const {
        return p.x >= x && p.y >= y && p.x < x + width && p.y < y + height;
    }
};

// A picture of the whole screen.
struct Screenshot {
    int width = 0, height = 0;
    std::vector<uint32_t> pixels;  // 0xRRGGBB, row by row from the top
    Rgb at(int x, int y) const;
    Rgb at(Point p) const { return at(p.x, p.y); }
    // How many pixels inside `rect` satisfy `test`.
    int count(const ScreenRect& rect, const std::function<bool(Rgb)>& test) const;
    bool savePng(const std::filesystem::path& path) const;
};

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// How long the harness waits for the program to respond to input or to finish drawing: far beyond
// what that takes on a loaded machine, so that only a program that never does waits this long.
constexpr milliseconds PROGRAM_RESPONSE{30000};

// Polls `condition` until it holds or the time is up.
bool waitUntil(const std::function<bool()>& condition, milliseconds timeout = milliseconds(10000));

struct ProgramRun {
    std::filesystem::path folder;  // the working folder; models go into folder/VRMLmodels
    std::string display;           // ":N"
    pid_t xserver = -1;
    pid_t program = -1;
    std::optional<int> exitStatus;
    void* connection = nullptr;  // the harness's own X connection (Display*)
    // When set, the program runs with this user and group id (write protection does not bind
    // root, who runs the tests); the folder must then be accessible to that user.
    std::optional<uid_t> user;

    ProgramRun();  // starts the X server and makes the folder, with an empty VRMLmodels
    ~ProgramRun();
    ProgramRun(const ProgramRun&) = delete;
    ProgramRun& operator=(const ProgramRun&) = delete;

    void writeModel(const std::string& name, const std::string& content) const;
    // Copies the bundled example models into the folder.
    void copyExampleModels() const;

    // Starts the program and waits until its four views have drawn. False if it did not come up.
    bool start(const std::vector<std::string>& arguments = {},
               milliseconds timeout = milliseconds(30000));
    // Starts the program without waiting for anything.
    void launch(const std::vector<std::string>& arguments = {});

    // Top-level window by exact title, if mapped.
    std::optional<unsigned long> findWindow(const std::string& title) const;
    // Whether top-level window `upper` stands above `lower` in the stacking order.
    bool stacksAbove(unsigned long upper, unsigned long lower) const;
    std::optional<ScreenRect> windowRect(unsigned long window) const;
    ScreenRect mainWindow() const;
    // The views in screen coordinates: 0 side, 1 front, 2 top, 3 perspective (from the real
    // sub-windows, in stacking order of creation).
    std::vector<ScreenRect> subWindows() const;
    ScreenRect view(int index) const;
    ScreenRect panel() const;

    Screenshot screenshot() const;
    // The screen as xwd dumps it: window by window, each through its own visual. Windows whose
    // visual is not the screen's default can come out otherwise than the X server shows them.
    Screenshot screenshotWithXwd() const;
    Rgb pixel(Point p) const { return screenshot().at(p); }
    // The pixels of `area` alone (0xRRGGBB, row by row from the top): quick enough to see a
    // picture before a busy program replaces it.
    std::vector<uint32_t> pixelsOf(const ScreenRect& area) const;

    // Input, in screen coordinates. Modifiers are xdotool key names ("shift", "ctrl", "alt").
    void move(Point p) const;
    void click(Point p, int button = 1, const std::vector<std::string>& modifiers = {}) const;
    void drag(Point from, Point to, int steps = 10, const std::vector<std::string>& modifiers = {},
              int button = 1) const;
    void key(const std::string& keyName, const std::vector<std::string>& modifiers = {}) const;
    void type(const std::string& text) const;
    // Opens the right-button menu at p; the menu window's place on screen.
    std::optional<ScreenRect> openMenu(Point p) const;
    // Opens the right-button menu at p and picks entry `index` (0 from the top); with a
    // sub-menu entry index, picks that entry of the sub-menu opened by entry `index`. A menu that
    // does not open fails the test.
    void menu(Point p, int index, std::optional<int> subIndex = std::nullopt) const;
    // Opens the right-button menu at p, then rests the pointer on each entry of `path` in turn
    // and waits for the sub-menu it opens; an index counts from 0 at the top, or from -1 at the
    // bottom. The menu windows opened, in order; fewer than path.size() + 1 if one did not open.
    std::vector<ScreenRect> openMenuPath(Point p, const std::vector<int>& path) const;
    // As openMenuPath for all but the last index of `path`, whose entry is then clicked once the
    // menu highlights it; returns when the menus have closed, that is when the program has run
    // the entry's command (fails the test when either does not happen).
    std::vector<ScreenRect> menuPath(Point p, const std::vector<int>& path) const;
    // The pop-up menu windows on screen.
    std::vector<ScreenRect> shownMenus() const;
    // The place of a window once it has stopped moving and changing size.
    ScreenRect settledRect(unsigned long window) const;
    // Runs xdotool with the given arguments on this display; a failure fails the test.
    bool xdotool(const std::string& arguments) const;
    // Whether the program waits for input (in its event loop or a dialog's), having handled all
    // that reached it; true once it has ended.
    bool waitsForInput() const;
    // Lets the program catch up: waits until it waits for input and two screenshots taken a
    // little apart agree.
    void settle() const;

    // A window manager's close request (WM_DELETE_WINDOW) to the main window, or to the
    // top-level window of the given title.
    void requestClose(const std::string& title = "Tessaly") const;
    void resizeMainWindow(int width, int height) const;
    // Waits for the program to end; its exit status, or nothing if it still runs.
    std::optional<int> waitForExit(milliseconds timeout = milliseconds(10000));
    bool running();
    // CPU time (user + system) the program has used so far, in seconds.
    double cpuSeconds() const;

    // The program's standard error, collected over every launch in this run.
    std::filesystem::path stderrPath() const;
    // The home folder of `user`, made at launch and removed with the run.
    std::filesystem::path userHome() const;
    // The program's XDG_STATE_HOME (where it keeps recovery copies): beside the folder, made at
    // launch and removed with the run, so that no run touches the real home.
    std::filesystem::path stateHome() const;
    // Adds a test failure when the program's standard error holds a sanitizer report.
    void checkProgramErrors() const;
};

// A closed cube of side 2 * half centred on (x, y, z), as a model file's text.
std::string cubeModel(double half = 0.5, double x = 0, double y = 0, double z = 0);
