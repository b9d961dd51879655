// A library that is no COM server: regsvr32 finds no DllRegisterServer in it.
extern "C" __attribute__((visibility("default"))) int BareLibraryAnswer() {
    return 42;
}
