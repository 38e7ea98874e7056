#include "app/startup.h"

int main(int argc, char** argv) {
    runTessaly(argc, argv);
}
