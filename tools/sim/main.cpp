#include <iostream>
#include <string>
#include <vector>

#include "simulator.h"

int main(int argc, char** argv)
{
    // Standard input is read word by word as it arrives; without the C stdio
    // sync it is buffered and still never waits for more than is there.
    std::ios::sync_with_stdio(false);
    const std::vector<std::string> args(argv + 1, argv + argc);
    return stakor::sim::Main(args, std::cin, std::cout, std::cerr);
}
