#include "App/run/CApplication.h"

int main(int argc, char** argv) { return RunApplication(argc, argv); }
