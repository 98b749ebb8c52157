#include "app/loggerApp.h"

int main(int argc, char** argv) { return RunBrantle(argc, argv); }
