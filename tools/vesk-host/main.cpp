// vesk-host: a command-line VST 2.4 host. See README.md or `vesk-host help`.
#include <iostream>
#include <string>
#include <vector>

#include "tools/vesk-host/Commands.h"

int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    const int status = HostKit::runCommandLine(args, std::cout, std::cerr);
    std::cout.flush();
    return status;
}
