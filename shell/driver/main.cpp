// korel-headless: runs a driver script (a file, or standard input with "-").
#include <fstream>
#include <iostream>

#include "shell/driver/driver.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: korel-headless SCRIPT (or - for standard input)\n";
        return 2;
    }
    std::string name = argv[1];
    if (name == "-") return korel::runDriverScript(std::cin, std::cout, "stdin");
    std::ifstream in(name);
    if (!in) {
        std::cerr << "korel-headless: cannot read " << name << "\n";
        return 2;
    }
    return korel::runDriverScript(in, std::cout, name);
}
