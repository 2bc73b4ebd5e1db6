#pragma once

// The test classes of the global keys' test program, each run on the program's own X server.
int RunHotkeyTest(int argc, char** argv);
int RunWineFocusTest(int argc, char** argv);
