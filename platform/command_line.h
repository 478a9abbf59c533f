// A console program's boundary with the system: its arguments and its output as UTF-8.
#pragma once

#include <string>
#include <vector>

namespace b3::platform {

// The program's arguments as UTF-8, the program name first. On Windows they are taken from the
// wide command line (argv there is in the ANSI code page and loses other letters); elsewhere
// they are argv as given.
std::vector<std::string> Utf8Arguments(int argc, char** argv);

// Makes the console show UTF-8 output as text (Windows); nothing elsewhere.
void UseUtf8Console();

}  // namespace b3::platform
