#include <iostream>
#include <string>
#include <vector>

#include "tools/levels_tool/levels_tool.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    return prismcrate::runLevelsTool(args, std::cin, std::cout, std::cerr);
}
