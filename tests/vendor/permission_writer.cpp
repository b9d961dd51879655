// A second process for the concurrency test: sets the permissions of one user for a range of data types
// and for one storage area, over and over, ending with every flag set. Exits 1 when a store fails.
#include <cstdio>
#include <cstdlib>

#include "quarnel.h"

int main(int argc, char** argv) {
    if (argc != 7) {
        std::fprintf(stderr, "usage: quarnel_permission_writer SERVER USER FIRST LAST AREA ROUNDS\n");
        return 2;
    }
    const char* server = argv[1];
    const char* user = argv[2];
    int first = std::atoi(argv[3]), last = std::atoi(argv[4]), rounds = std::atoi(argv[6]);
    int32_t handle = vtrnDB_InitDB(server, "UserPerm", 0, false);
    if (!handle) return 1;
    for (int round = rounds - 1; round >= 0; --round) {
        int32_t flag = round == 0 ? 1 : round % 2;
        for (int type = first; type <= last; ++type)
            if (vtrnDB_SetUserTypePermission(server, user, type, flag, 1, flag, 1, handle) != 1) {
                std::fprintf(stderr, "storing type %d failed\n", type);
                return 1;
            }
        if (vtrnDB_SetUserDBPermission(server, argv[5], user, flag, 1, handle) == 0) {
            std::fprintf(stderr, "storing the access to %s failed\n", argv[5]);
            return 1;
        }
    }
    vtrnDB_ExitDB(handle);
    return 0;
}
