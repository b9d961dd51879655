// A library without resources of its own that depends on one with resources: its module handle must
// not reach the dependency's resources.
extern "C" __attribute__((visibility("default"))) int PlainLibraryValue() {
    return 42;
}
