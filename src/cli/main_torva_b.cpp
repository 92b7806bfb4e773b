#include "cli/Driver.hpp"

int main(int argc, char** argv) { return runProgram(argc, argv, GappedAnchorRealign::kWhole); }
