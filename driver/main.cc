#include "driver/cli.h"

int main(int argc, char** argv) { quorl::run(argc, argv); }
