// A stand-in for the calculator when the editor really starts it: leaves a file named
// "started" beside itself, with its arguments one to a line and "end", and ends.
#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    std::string self = argv[0];
    const std::size_t slash = self.find_last_of("/\\");
    const std::string mark =
        (slash == std::string::npos ? std::string(".") : self.substr(0, slash)) + "/started";
    std::FILE* f = std::fopen(mark.c_str(), "wb");
    if (!f) return 1;
    for (int i = 1; i < argc; ++i) std::fprintf(f, "%s\n", argv[i]);
    std::fprintf(f, "end\n");
    std::fclose(f);
    return 0;
}
