// A satellite of the right version that cannot be loaded: it needs a library that is not there.
extern "C" int MissingDependencyFunction();
extern "C" __attribute__((visibility("default"))) int SatelliteUsesMissingDependency() {
    return MissingDependencyFunction();
}
