#include "Log.h"

int main() { return 0; }
