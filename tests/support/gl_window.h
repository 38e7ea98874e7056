#pragma once

// Real GLUT windows for GL tests, on the display that the test runs under.

// Initialises GLUT once per process (double-buffered RGB with depth, as the program's views,
// with contexts that share objects).
void initGlutOnce();
// Creates a top-level window of the given size, makes it current and lets it map and reach
// its size. Returns its GLUT id.
int openTestWindow(int width, int height, const char* title = "test");
// Runs GLUT's event processing a few times so that maps, reshapes and redisplays happen.
void pumpGlutEvents(int passes = 5);

// A test window that is closed again at the end of its scope.
struct TestWindow {
    explicit TestWindow(int width, int height, const char* title = "test");
    ~TestWindow();
    TestWindow(const TestWindow&) = delete;
    TestWindow& operator=(const TestWindow&) = delete;

    int id;
};
