// Linked by the broken satellite, and never copied beside it.
extern "C" __attribute__((visibility("default"))) int MissingDependencyFunction() { return 1; }
