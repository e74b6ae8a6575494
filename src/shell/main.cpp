#include "shell/program.h"

int main(int argc, char** argv)
{
    return stakor::RunProgram(argc, argv);
}
