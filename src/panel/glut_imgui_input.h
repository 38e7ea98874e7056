#pragma once

struct ImGuiIO;

// Hands one GLUT mouse button change at window point (x, y) to ImGui, the wheel (buttons 3 and
// 4) included. False for a button ImGui has no use for: nothing was changed then.
bool feedMouseButton(ImGuiIO& io, int button, bool down, int x, int y);
