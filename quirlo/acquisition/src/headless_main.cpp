#include "quirlo/acquisition/headless.h"

int main(int argc, char** argv) { return quirlo::acquisition::RunHeadless(argc, argv); }
