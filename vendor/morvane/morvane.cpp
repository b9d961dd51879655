// The maker's administrator check. The system asks IsUserAdministrator before it offers the editing of
// users and their rights; here an administrator is root or a member of the sudo or wheel group, the
// groups that administer a Linux machine.
#include <grp.h>
#include <unistd.h>

#include <cstring>
#include <vector>

namespace {

bool IsAdministratorGroup(gid_t gid) {
    std::vector<char> buffer(16384);
    group entry{};
    group* found = nullptr;
    if (getgrgid_r(gid, &entry, buffer.data(), buffer.size(), &found) != 0 || !found) return false;
    return std::strcmp(found->gr_name, "sudo") == 0 || std::strcmp(found->gr_name, "wheel") == 0;
}

} // namespace

extern "C" __attribute__((visibility("default"))) bool IsUserAdministrator() {
    if (geteuid() == 0) return true;
    if (IsAdministratorGroup(getegid())) return true;
    int count = getgroups(0, nullptr);
    if (count <= 0) return false;
    std::vector<gid_t> groups(count);
    count = getgroups(count, groups.data());
    for (int i = 0; i < count; ++i)
        if (IsAdministratorGroup(groups[i])) return true;
    return false;
}
