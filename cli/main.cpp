#include <iostream>
#include <string>
#include <vector>

#include "cli/command_line_tool.h"

int main(int argc, char** argv)
{
    CCommandLineTool tool(std::cout, std::cerr);
    return tool.Run(std::vector<std::string>(argv + 1, argv + argc));
}
