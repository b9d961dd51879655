// The maker's administrator check with a fixed answer, so that the tests choose whether the current
// user is an administrator: built once answering yes and once answering no.
extern "C" __attribute__((visibility("default"))) bool IsUserAdministrator() {
    return TVTEST_ADMINISTRATOR;
}
