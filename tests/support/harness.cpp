#include "support/harness.h"

// Before Xlib, whose None macro breaks GoogleTest.
#include <gtest/gtest.h>
//
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <thread>

namespace fs = std::filesystem;

namespace {

Display* dpy(void* connection) {
    return static_cast<Display*>(connection);
}

std::string quoted(const std::string& text) {
    std::string out = "'";
    for (char c : text) {
        if (c == '\'') {
            out += "'\\''";
        } else {
            out += c;
        }
    }
    return out + "'";
}

// Starts Xvfb on a free display number; returns its pid and fills `display`.
pid_t startXServer(std::string& display) {
    int pipeFds[2];
    if (pipe(pipeFds) != 0) {
        return -1;
    }
    const pid_t pid = fork();
    if (pid == 0) {
        prctl(PR_SET_PDEATHSIG, SIGKILL);  // never outlive a test that crashed or timed out
        close(pipeFds[0]);
        const int devnull = open("/dev/null", O_WRONLY);
        dup2(devnull, 1);
        dup2(devnull, 2);
        const std::string fd = std::to_string(pipeFds[1]);
        execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x1024x24", "-noreset",
               "-nolisten", "tcp", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(pipeFds[1]);
    std::string number;
    char c;
    while (read(pipeFds[0], &c, 1) == 1 && c != '\n') {
        number += c;
    }
    close(pipeFds[0]);
    if (number.empty()) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        return -1;
    }
    display = ":" + number;
    return pid;
}

std::string windowName(Display* d, Window w) {
    char* name = nullptr;
    std::string result;
    if (XFetchName(d, w, &name) && name != nullptr) {
        result = name;
        XFree(name);
    }
    return result;
}

// Windows of the program come and go while the harness looks at them (a dialog closing between
// listing and querying): such a request fails with BadWindow and the query reports nothing,
// instead of Xlib's default handler ending the test process.
int ignoreXErrors(Display*, XErrorEvent*) {
    return 0;
}

bool isViewable(Display* d, Window w) {
    XWindowAttributes attributes;
    return XGetWindowAttributes(d, w, &attributes) && attributes.map_state == IsViewable;
}

std::vector<Window> children(Display* d, Window w) {
    Window root = 0, parent = 0;
    Window* list = nullptr;
    unsigned count = 0;
    std::vector<Window> result;
    if (XQueryTree(d, w, &root, &parent, &list, &count)) {
        result.assign(list, list + count);
        if (list != nullptr) {
            XFree(list);
        }
    }
    return result;
}

// Mapped override-redirect windows: the pop-up menus.
std::vector<Window> popupWindows(Display* d) {
    std::vector<Window> result;
    for (Window w : children(d, DefaultRootWindow(d))) {
        XWindowAttributes attributes;
        if (XGetWindowAttributes(d, w, &attributes) && attributes.map_state == IsViewable &&
            attributes.override_redirect) {
            result.push_back(w);
        }
    }
    return result;
}

}  // namespace

bool Rgb::near(const Rgb& other, int tolerance) const {
    return std::abs(r - other.r) <= tolerance && std::abs(g - other.g) <= tolerance &&
           std::abs(b - other.b) <= tolerance;
}

std::ostream& operator<<(std::ostream& out, const Rgb& colour) {
    return out << "(" << colour.r << ", " << colour.g << ", " << colour.b << ")";
}

Rgb Screenshot::at(int x, int y) const {
    if (x < 0 || y < 0 || x >= width || y >= height) {
        return {-1, -1, -1};
    }
    const uint32_t p = pixels[static_cast<size_t>(y) * width + x];
    return {static_cast<int>((p >> 16) & 255), static_cast<int>((p >> 8) & 255),
            static_cast<int>(p & 255)};
}

int Screenshot::count(const ScreenRect& rect, const std::function<bool(Rgb)>& test) const {
    int n = 0;
    for (int y = rect.y; y < rect.y + rect.height; ++y) {
        for (int x = rect.x; x < rect.x + rect.width; ++x) {
            if (test(at(x, y))) {
                ++n;
            }
        }
    }
    return n;
}

bool Screenshot::savePng(const fs::path& path) const {
    const fs::path ppm = path.string() + ".ppm";
    {
        std::ofstream out(ppm, std::ios::binary);
        out << "P6\n" << width << " " << height << "\n255\n";
        for (uint32_t p : pixels) {
            const char rgb[3] = {static_cast<char>((p >> 16) & 255),
                                 static_cast<char>((p >> 8) & 255), static_cast<char>(p & 255)};
            out.write(rgb, 3);
        }
    }
    const int status =
        std::system(("convert " + quoted(ppm.string()) + " " + quoted(path.string())).c_str());
    fs::remove(ppm);
    return status == 0;
}

bool waitUntil(const std::function<bool()>& condition, milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    while (Clock::now() < deadline) {
        if (condition()) {
            return true;
        }
        std::this_thread::sleep_for(milliseconds(50));
    }
    return condition();
}

ProgramRun::ProgramRun() {
    char pattern[] = "/tmp/tessaly-e2e-XXXXXX";
    folder = mkdtemp(pattern);
    fs::create_directory(folder / "VRMLmodels");
    xserver = startXServer(display);
    if (xserver > 0) {
        connection = XOpenDisplay(display.c_str());
        XSetErrorHandler(ignoreXErrors);
    }
    if (connection == nullptr) {
        std::cerr << "harness: could not start or reach Xvfb\n";
    }
}

ProgramRun::~ProgramRun() {
    if (program > 0 && !exitStatus && connection != nullptr) {
        // Ended like a user would, the program runs its leak check on the way out; a kill
        // would skip it.
        requestClose();
        waitForExit(milliseconds(3000));
    }
    if (program > 0 && !exitStatus) {
        kill(program, SIGKILL);
        waitpid(program, nullptr, 0);
    }
    if (connection != nullptr) {
        XCloseDisplay(dpy(connection));
    }
    if (xserver > 0) {
        kill(xserver, SIGTERM);
        if (!waitUntil([&] { return waitpid(xserver, nullptr, WNOHANG) == xserver; },
                       milliseconds(3000))) {
            kill(xserver, SIGKILL);
            waitpid(xserver, nullptr, 0);
        }
    }
    checkProgramErrors();
    std::error_code ignored;
    fs::remove_all(folder, ignored);
    fs::remove(stderrPath(), ignored);
    fs::remove_all(userHome(), ignored);
    fs::remove_all(stateHome(), ignored);
}

fs::path ProgramRun::stateHome() const {
    return folder.string() + ".state";
}

fs::path ProgramRun::stderrPath() const {
    return folder.string() + ".stderr";
}

fs::path ProgramRun::userHome() const {
    return folder.string() + ".home";
}

// A sanitizer report fails the test even when the exit status looks fine (a report from a
// process that was killed, or from a check that does not end the program).
void ProgramRun::checkProgramErrors() const {
    std::ifstream in(stderrPath(), std::ios::binary);
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    for (const char* marker :
         {"ERROR: AddressSanitizer", "ERROR: LeakSanitizer", "runtime error:"}) {
        if (text.find(marker) != std::string::npos) {
            ADD_FAILURE() << "the program printed a sanitizer report:\n" << text.substr(0, 30000);
            return;
        }
    }
    if (!text.empty()) {
        std::cerr << "program stderr:\n" << text.substr(0, 30000) << "\n";
    }
}

void ProgramRun::writeModel(const std::string& name, const std::string& content) const {
    std::ofstream(folder / "VRMLmodels" / name, std::ios::binary) << content;
}

void ProgramRun::copyExampleModels() const {
    const fs::path examples = fs::path(TESSALY_SOURCE_DIR) / "examples" / "VRMLmodels";
    for (const auto& entry : fs::directory_iterator(examples)) {
        fs::copy_file(entry.path(), folder / "VRMLmodels" / entry.path().filename(),
                      fs::copy_options::overwrite_existing);
    }
}

void ProgramRun::launch(const std::vector<std::string>& arguments) {
    const std::string errorPath = stderrPath().string();
    const std::string state = stateHome().string();
    mkdir(state.c_str(), 0700);
    if (user && chown(state.c_str(), *user, *user) != 0) {
        ADD_FAILURE() << "cannot hand " << state << " to the test user";
    }
    program = fork();
    if (program == 0) {
        prctl(PR_SET_PDEATHSIG, SIGKILL);  // never outlive a test that crashed or timed out
        if (chdir(folder.c_str()) != 0) {
            _exit(126);
        }
        // Kept beside the folder (not in it, where the program lists and writes files).
        const int err = open(errorPath.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
        if (err >= 0) {
            dup2(err, 2);
        }
        if (user) {
            // A home of its own, beside the folder: GTK's settings and Mesa's shader cache work
            // as they do for the user running the tests.
            const std::string home = userHome().string();
            mkdir(home.c_str(), 0700);
            if (chown(home.c_str(), *user, *user) != 0 || setgroups(0, nullptr) != 0 ||
                setgid(*user) != 0 || setuid(*user) != 0) {
                _exit(125);
            }
            setenv("HOME", home.c_str(), 1);
        }
        setenv("XDG_STATE_HOME", state.c_str(), 1);
        setenv("DISPLAY", display.c_str(), 1);
        setenv("GSETTINGS_BACKEND", "memory", 1);
        setenv("NO_AT_BRIDGE", "1", 1);
        std::vector<char*> argv;
        std::string path = TESSALY_PROGRAM;
        argv.push_back(path.data());
        std::vector<std::string> copies = arguments;
        for (std::string& argument : copies) {
            argv.push_back(argument.data());
        }
        argv.push_back(nullptr);
        execv(path.c_str(), argv.data());
        _exit(127);
    }
}

bool ProgramRun::start(const std::vector<std::string>& arguments, milliseconds timeout) {
    launch(arguments);
    const bool up = waitUntil(
        [&] {
            if (!findWindow("Tessaly")) {
                return false;
            }
            if (subWindows().size() < 4) {
                return false;
            }
            // Every view has drawn its background once the layout has run.
            const Screenshot shot = screenshot();
            const Rgb grey{153, 153, 153};
            for (int i = 0; i < 3; ++i) {
                const ScreenRect r = view(i);
                if (r.width < 100 || !shot.at(r.x + 3, r.y + 3).near(grey, 2)) {
                    return false;
                }
            }
            const ScreenRect p = view(3);
            return shot.at(p.x + 3, p.y + 3).near(Rgb{51, 128, 178}, 3);
        },
        timeout);
    if (up) {
        settle();
    }
    return up;
}

std::optional<unsigned long> ProgramRun::findWindow(const std::string& title) const {
    Display* d = dpy(connection);
    if (d == nullptr) {
        return std::nullopt;
    }
    XSync(d, False);
    // Top-level windows, and one level below them (a window manager would reparent; we have none,
    // but GTK may nest its toplevels under a frame on some servers).
    for (Window w : children(d, DefaultRootWindow(d))) {
        if (isViewable(d, w) && windowName(d, w) == title) {
            return w;
        }
    }
    return std::nullopt;
}

bool ProgramRun::stacksAbove(unsigned long upper, unsigned long lower) const {
    // The root's children come bottom first.
    const std::vector<Window> stack = children(dpy(connection), DefaultRootWindow(dpy(connection)));
    const auto at = [&stack](unsigned long w) { return std::find(stack.begin(), stack.end(), w); };
    return at(upper) != stack.end() && at(lower) != stack.end() && at(upper) > at(lower);
}

std::optional<ScreenRect> ProgramRun::windowRect(unsigned long window) const {
    Display* d = dpy(connection);
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(d, window, &attributes)) {
        return std::nullopt;
    }
    int x = 0, y = 0;
    Window child = 0;
    XTranslateCoordinates(d, window, DefaultRootWindow(d), 0, 0, &x, &y, &child);
    return ScreenRect{x, y, attributes.width, attributes.height};
}

ScreenRect ProgramRun::mainWindow() const {
    const auto window = findWindow("Tessaly");
    if (!window) {
        return {};
    }
    return windowRect(*window).value_or(ScreenRect{});
}

std::vector<ScreenRect> ProgramRun::subWindows() const {
    std::vector<ScreenRect> result;
    const auto window = findWindow("Tessaly");
    if (!window) {
        return result;
    }
    for (Window w : children(dpy(connection), *window)) {
        if (auto rect = windowRect(w)) {
            result.push_back(*rect);
        }
    }
    return result;
}

ScreenRect ProgramRun::view(int index) const {
    const auto windows = subWindows();
    return index < static_cast<int>(windows.size()) ? windows[index] : ScreenRect{};
}

ScreenRect ProgramRun::panel() const {
    return view(4);
}

Screenshot ProgramRun::screenshot() const {
    Display* d = dpy(connection);
    Screenshot shot;
    if (d == nullptr) {
        return shot;
    }
    XSync(d, False);
    const Window root = DefaultRootWindow(d);
    XWindowAttributes attributes;
    XGetWindowAttributes(d, root, &attributes);
    XImage* image =
        XGetImage(d, root, 0, 0, attributes.width, attributes.height, AllPlanes, ZPixmap);
    if (image == nullptr) {
        return shot;
    }
    shot.width = attributes.width;
    shot.height = attributes.height;
    shot.pixels.resize(static_cast<size_t>(shot.width) * shot.height);
    for (int y = 0; y < shot.height; ++y) {
        for (int x = 0; x < shot.width; ++x) {
            shot.pixels[static_cast<size_t>(y) * shot.width + x] =
                static_cast<uint32_t>(XGetPixel(image, x, y)) & 0xFFFFFF;
        }
    }
    XDestroyImage(image);
    return shot;
}

Screenshot ProgramRun::screenshotWithXwd() const {
    Screenshot shot;
    const std::string command =
        "DISPLAY=" + display + " xwd -root -silent | convert xwd:- -depth 8 ppm:-";
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return shot;
    }
    std::string data;
    char buffer[65536];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
        data.append(buffer, n);
    }
    pclose(pipe);
    // A binary PPM: "P6", width, height and maximum value, with comments ("#" to the end of the
    // line) between them, then one white-space character and the RGB bytes.
    std::vector<std::string> fields;
    size_t at = 0;
    while (fields.size() < 4 && at < data.size()) {
        if (data[at] == '#') {
            at = data.find('\n', at);
        } else if (std::isspace(static_cast<unsigned char>(data[at]))) {
            ++at;
        } else {
            const size_t end = data.find_first_of(" \t\r\n", at);
            fields.push_back(data.substr(at, end - at));
            at = end;
        }
    }
    const size_t start = at + 1;
    if (fields.size() < 4 || fields[0] != "P6" || fields[3] != "255" || at >= data.size()) {
        return shot;
    }
    const int width = std::atoi(fields[1].c_str());
    const int height = std::atoi(fields[2].c_str());
    const size_t count = static_cast<size_t>(std::max(width, 0)) * std::max(height, 0);
    if (count == 0 || data.size() < start + 3 * count) {
        return shot;
    }
    shot.width = width;
    shot.height = height;
    shot.pixels.resize(count);
    for (size_t i = 0; i < count; ++i) {
        const auto byte = [&](size_t k) { return static_cast<uint8_t>(data[start + 3 * i + k]); };
        shot.pixels[i] = (uint32_t{byte(0)} << 16) | (uint32_t{byte(1)} << 8) | byte(2);
    }
    return shot;
}

std::vector<uint32_t> ProgramRun::pixelsOf(const ScreenRect& area) const {
    Display* d = dpy(connection);
    std::vector<uint32_t> pixels;
    if (d == nullptr || area.width <= 0 || area.height <= 0) {
        return pixels;
    }
    XSync(d, False);
    XImage* image =
        XGetImage(d, DefaultRootWindow(d), area.x, area.y, static_cast<unsigned>(area.width),
                  static_cast<unsigned>(area.height), AllPlanes, ZPixmap);
    if (image == nullptr) {
        return pixels;
    }
    pixels.reserve(static_cast<size_t>(area.width) * area.height);
    for (int y = 0; y < area.height; ++y) {
        for (int x = 0; x < area.width; ++x) {
            pixels.push_back(static_cast<uint32_t>(XGetPixel(image, x, y)) & 0xFFFFFF);
        }
    }
    XDestroyImage(image);
    return pixels;
}

bool ProgramRun::xdotool(const std::string& arguments) const {
    const std::string command = "DISPLAY=" + display + " xdotool " + arguments + " >/dev/null 2>&1";
    const int status = std::system(command.c_str());
    if (status != 0) {
        ADD_FAILURE() << "xdotool " << arguments << ": exit status " << status;
        return false;
    }
    return true;
}

void ProgramRun::move(Point p) const {
    // "mousemove --sync" to where the pointer already is waits for a motion that never comes.
    Display* d = dpy(connection);
    Window root = 0, child = 0;
    int x = 0, y = 0, windowX = 0, windowY = 0;
    unsigned mask = 0;
    if (XQueryPointer(d, DefaultRootWindow(d), &root, &child, &x, &y, &windowX, &windowY, &mask) &&
        x == p.x && y == p.y) {
        return;
    }
    xdotool("mousemove --sync " + std::to_string(p.x) + " " + std::to_string(p.y));
}

namespace {

std::string keyDowns(const std::vector<std::string>& modifiers) {
    std::string out;
    for (const auto& m : modifiers) {
        out += " keydown " + m;
    }
    return out;
}

std::string keyUps(const std::vector<std::string>& modifiers) {
    std::string out;
    for (auto it = modifiers.rbegin(); it != modifiers.rend(); ++it) {
        out += " keyup " + *it;
    }
    return out;
}

}  // namespace

void ProgramRun::click(Point p, int button, const std::vector<std::string>& modifiers) const {
    move(p);
    xdotool(keyDowns(modifiers) + " click " + std::to_string(button) + keyUps(modifiers));
}

void ProgramRun::drag(Point from, Point to, int steps, const std::vector<std::string>& modifiers,
                      int button) const {
    move(from);
    std::string command = keyDowns(modifiers) + " mousedown " + std::to_string(button);
    Point last = from;
    for (int i = 1; i <= steps; ++i) {
        const int x = from.x + (to.x - from.x) * i / steps;
        const int y = from.y + (to.y - from.y) * i / steps;
        if (x == last.x && y == last.y) {
            continue;  // a synchronous move to the same place would wait for ever
        }
        last = {x, y};
        command +=
            " mousemove --sync " + std::to_string(x) + " " + std::to_string(y) + " sleep 0.02";
    }
    command += " mouseup " + std::to_string(button) + keyUps(modifiers);
    xdotool(command);
}

void ProgramRun::key(const std::string& keyName, const std::vector<std::string>& modifiers) const {
    std::string chord;
    for (const auto& m : modifiers) {
        chord += m + "+";
    }
    xdotool("key " + chord + keyName);
}

void ProgramRun::type(const std::string& text) const {
    xdotool("type " + quoted(text));
}

namespace {

// Waits for a pop-up menu window that is not one of the `known` ones and is raised above every
// other. freeglut maps a menu window and raises it in separate steps, and a busy program may be
// seen in between: the top window is then an older menu, and the one that just appeared can lie
// below a menu that overlaps it, where the pointer would not reach it.
std::optional<Window> waitForNewPopup(Display* d, const std::vector<Window>& known) {
    std::optional<Window> found;
    waitUntil(
        [&] {
            XSync(d, False);
            const std::vector<Window> menus = popupWindows(d);
            if (menus.empty() ||
                std::find(known.begin(), known.end(), menus.back()) != known.end()) {
                return false;
            }
            found = menus.back();
            return true;
        },
        PROGRAM_RESPONSE);
    return found;
}

}  // namespace

std::optional<ScreenRect> ProgramRun::openMenu(Point p) const {
    Display* d = dpy(connection);
    const std::vector<Window> before = popupWindows(d);
    move(p);
    xdotool("click 3");
    const auto menu = waitForNewPopup(d, before);
    if (!menu) {
        return std::nullopt;
    }
    return windowRect(*menu);
}

namespace {

// Where entry `index` of a menu window is (from the bottom when negative); entries are 25 pixels
// high inside a border of 2.
Point menuEntry(const ScreenRect& menu, int index) {
    if (index < 0) {
        index += (menu.height - 4) / 25;
    }
    return {menu.x + 20, menu.y + 14 + 25 * index};
}

// Whether the menu window, whose pixels are given, draws the entry at `entry` highlighted: white
// behind the label, where other entries are grey.
bool entryHighlighted(const std::vector<uint32_t>& pixels, const ScreenRect& menu, Point entry) {
    if (pixels.size() != static_cast<size_t>(menu.width) * menu.height) {
        return false;
    }
    int white = 0, all = 0;
    for (int y = entry.y - menu.y - 8; y <= entry.y - menu.y + 8; ++y) {
        for (int x = 6; x < menu.width - 6; ++x) {
            if (y < 0 || y >= menu.height) {
                continue;
            }
            const uint32_t p = pixels[static_cast<size_t>(y) * menu.width + x];
            white += ((p >> 16) & 255) > 230 && ((p >> 8) & 255) > 230 && (p & 255) > 230;
            ++all;
        }
    }
    return all > 0 && white * 3 > all;
}

}  // namespace

ScreenRect ProgramRun::settledRect(unsigned long window) const {
    // freeglut may show a menu window before it moves it to its place and gives it its size.
    std::optional<ScreenRect> last = windowRect(window), now;
    waitUntil(
        [&] {
            std::this_thread::sleep_for(milliseconds(100));
            now = windowRect(window);
            const bool same = now && last && now->x == last->x && now->y == last->y &&
                              now->width == last->width && now->height == last->height;
            last = now;
            return same;
        },
        milliseconds(3000));
    return last.value_or(ScreenRect{});
}

std::vector<ScreenRect> ProgramRun::openMenuPath(Point p, const std::vector<int>& path) const {
    Display* d = dpy(connection);
    std::vector<ScreenRect> menus;
    const std::vector<Window> before = popupWindows(d);
    move(p);
    xdotool("click 3");
    const auto first = waitForNewPopup(d, before);
    if (!first) {
        return menus;
    }
    menus.push_back(settledRect(*first));
    for (int index : path) {
        const std::vector<Window> open = popupWindows(d);
        // Straight to the entry: the pointer jumps, so it never rests on another entry whose
        // sub-menu would open first.
        move(menuEntry(menus.back(), index));
        const auto opened = waitForNewPopup(d, open);
        if (!opened) {
            break;
        }
        menus.push_back(settledRect(*opened));
    }
    return menus;
}

std::vector<ScreenRect> ProgramRun::menuPath(Point p, const std::vector<int>& path) const {
    if (path.empty()) {
        return {};
    }
    const std::vector<int> subMenus(path.begin(), path.end() - 1);
    std::vector<ScreenRect> menus = openMenuPath(p, subMenus);
    if (menus.size() != path.size()) {
        return menus;
    }
    const Point entry = menuEntry(menus.back(), path.back());
    move(entry);
    // Pressed only once the menu shows the entry under the pointer: then the program has
    // handled the pointer's arrival, and the press cannot reach a menu that is about to change.
    if (!waitUntil([&] { return entryHighlighted(pixelsOf(menus.back()), menus.back(), entry); },
                   PROGRAM_RESPONSE)) {
        ADD_FAILURE() << "the menu entry at " << entry.x << "," << entry.y
                      << " was never highlighted";
    }
    xdotool("click 1");
    // The entry's command has run once the menus are gone: it runs as the press is handled.
    Display* d = dpy(connection);
    if (!waitUntil([&] { return popupWindows(d).empty(); }, PROGRAM_RESPONSE)) {
        ADD_FAILURE() << "the menus stayed open after a click on the entry at " << entry.x << ","
                      << entry.y;
    }
    return menus;
}

void ProgramRun::menu(Point p, int index, std::optional<int> subIndex) const {
    const std::vector<int> path =
        subIndex ? std::vector<int>{index, *subIndex} : std::vector<int>{index};
    const std::vector<ScreenRect> menus = menuPath(p, path);
    if (menus.size() != path.size()) {
        ADD_FAILURE() << "the pop-up menu at " << p.x << "," << p.y << ": "
                      << (menus.empty()
                              ? "it did not open"
                              : "the sub-menu of entry " + std::to_string(index) + " did not open");
    }
}

std::vector<ScreenRect> ProgramRun::shownMenus() const {
    std::vector<ScreenRect> result;
    for (Window w : popupWindows(dpy(connection))) {
        if (auto rect = windowRect(w)) {
            result.push_back(*rect);
        }
    }
    return result;
}

bool ProgramRun::waitsForInput() const {
#ifdef SYS_poll
    if (program <= 0 || exitStatus) {
        return true;
    }
    // The main thread's system call while it is blocked: number and arguments, in hexadecimal
    // from the second field on; "running" while it runs.
    std::ifstream in("/proc/" + std::to_string(program) + "/syscall");
    std::string number, fds, fdCount, timeout;
    if (!(in >> number)) {
        return true;  // it has ended
    }
    if (number != std::to_string(SYS_poll) || !(in >> fds >> fdCount >> timeout)) {
        return false;
    }
    // Xlib waits for the reply to a request in a poll on its one connection without a time
    // limit; the event loop polls that connection for at most half a second, a GTK dialog polls
    // several descriptors.
    return !(fdCount == "0x1" && timeout == "0xffffffffffffffff");
#else
    return true;
#endif
}

void ProgramRun::settle() const {
    // A still screen alone can deceive: a program busy with earlier input changes nothing on it
    // until its next frame is done. Both must hold, twice in a row.
    bool wasWaiting = waitsForInput();
    Screenshot previous = screenshot();
    waitUntil(
        [&] {
            std::this_thread::sleep_for(milliseconds(100));
            const bool waiting = waitsForInput();
            Screenshot next = screenshot();
            const bool settled = wasWaiting && waiting && next.pixels == previous.pixels;
            wasWaiting = waiting;
            previous = std::move(next);
            return settled;
        },
        PROGRAM_RESPONSE);
}

void ProgramRun::requestClose(const std::string& title) const {
    Display* d = dpy(connection);
    const auto window = findWindow(title);
    if (!window) {
        return;
    }
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = *window;
    event.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(d, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(d, *window, False, NoEventMask, &event);
    XFlush(d);
}

void ProgramRun::resizeMainWindow(int width, int height) const {
    Display* d = dpy(connection);
    const auto window = findWindow("Tessaly");
    if (!window) {
        return;
    }
    XResizeWindow(d, *window, static_cast<unsigned>(width), static_cast<unsigned>(height));
    XFlush(d);
}

std::optional<int> ProgramRun::waitForExit(milliseconds timeout) {
    if (exitStatus) {
        return exitStatus;
    }
    waitUntil(
        [&] {
            int status = 0;
            if (waitpid(program, &status, WNOHANG) == program) {
                exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
                return true;
            }
            return false;
        },
        timeout);
    return exitStatus;
}

bool ProgramRun::running() {
    return !waitForExit(milliseconds(0));
}

double ProgramRun::cpuSeconds() const {
    std::ifstream stat("/proc/" + std::to_string(program) + "/stat");
    std::string line;
    std::getline(stat, line);
    // Fields after the command name (which is in parentheses and may hold spaces).
    const auto close = line.rfind(')');
    if (close == std::string::npos) {
        return -1;
    }
    std::istringstream rest(line.substr(close + 2));
    std::string field;
    long utime = 0, stime = 0;
    for (int i = 3; i <= 15 && rest >> field; ++i) {
        if (i == 14)
            utime = std::stol(field);
        if (i == 15)
            stime = std::stol(field);
    }
    return static_cast<double>(utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

std::string cubeModel(double half, double x, double y, double z) {
    std::ostringstream out;
    const double h = half;
    out << "#VRML V2.0 utf8\nShape { geometry IndexedFaceSet {\n coord Coordinate { point [\n";
    const double corners[8][3] = {{-h, -h, -h}, {h, -h, -h}, {h, h, -h}, {-h, h, -h},
                                  {-h, -h, h},  {h, -h, h},  {h, h, h},  {-h, h, h}};
    for (const auto& c : corners) {
        out << "  " << x + c[0] << " " << y + c[1] << " " << z + c[2] << ",\n";
    }
    out << " ] }\n coordIndex [\n"
           "  0, 3, 2, 1, -1,\n  4, 5, 6, 7, -1,\n  0, 1, 5, 4, -1,\n"
           "  2, 3, 7, 6, -1,\n  1, 2, 6, 5, -1,\n  0, 4, 7, 3, -1,\n ]\n} }\n";
    return out.str();
}
