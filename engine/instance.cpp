// Instances: one folder each under $TAVROSK_PREFIX/instances (owner-only), holding the catalog, the
// Data, Backup and LOG folders. The default instance is MSSQLSERVER. An instance exists once its
// catalog is in place: the catalog is written beside and renamed in last, so a creation cut short
// leaves no half instance that could be connected to.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "internal.h"
#include "session_impl.h"
#include "tvplatform.h"

namespace tvengine {

using namespace detail;

namespace {

bool ValidInstanceName(const std::string& name) {
    if (name.empty() || name.size() > 16) return false;
    char first = name[0];
    if (!((first >= 'A' && first <= 'Z') || (first >= 'a' && first <= 'z') || first == '_')) return false;
    for (char c : name)
        if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
              c == '$'))
            return false;
    return true;
}

std::string Setting(Connection& catalog, const char* name, const std::string& fallback) {
    auto query = catalog.Prepare("SELECT value FROM settings WHERE name = ?");
    return query.With(name).Step() ? query.Text(0) : fallback;
}

// The folder name of an instance, found without regard to letter case, or "".
std::string FindInstance(const std::string& name) {
    for (const std::string& existing : ListInstances())
        if (EqualsNoCase(existing, name)) return existing;
    return {};
}

InstanceSettings LoadSettings(const std::string& name, Connection& catalog) {
    InstanceSettings settings;
    settings.name = name;
    settings.majorVersion = std::atoi(Setting(catalog, "major", "8").c_str());
    settings.minorVersion = std::atoi(Setting(catalog, "minor", "0").c_str());
    settings.build = std::atoi(Setting(catalog, "build", "1").c_str());
    settings.language = Setting(catalog, "language", "us_english");
    settings.versionText =
        Format("%d.%02d.%04d", settings.majorVersion, settings.minorVersion, settings.build);
    settings.machineName = ThisComputerName();
    settings.serverName =
        name == kDefaultInstance ? settings.machineName : settings.machineName + "\\" + name;
    settings.versionString = "Tavrosk Embedded Engine - " + settings.versionText + "\n\tInstance " +
                             settings.serverName + "\n\tStorage on Linux\n";
    settings.rootFolder = InstanceFolder(name);
    settings.dataFolder = settings.rootFolder + "/Data";
    settings.backupFolder = settings.rootFolder + "/Backup";
    settings.logFolder = settings.rootFolder + "/LOG";
    return settings;
}

} // namespace

std::vector<std::string> ListInstances() {
    std::vector<std::string> names;
    DIR* dir = ::opendir(InstancesFolder().c_str());
    if (!dir) return names;
    while (struct dirent* entry = ::readdir(dir)) {
        std::string name = entry->d_name;
        if (name[0] == '.' || !ValidInstanceName(name)) continue;
        if (FileExists(InstanceFolder(name) + "/catalog.db")) names.push_back(name);
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

std::string ResolveServer(const std::string& serverName) {
    std::string host = serverName, instance = kDefaultInstance;
    if (size_t slash = serverName.find('\\'); slash != std::string::npos) {
        host = serverName.substr(0, slash);
        instance = serverName.substr(slash + 1);
    }
    bool local = EqualsNoCase(host, "(local)") || host == "." || EqualsNoCase(host, "localhost") ||
                 EqualsNoCase(host, ThisComputerName());
    std::string found = local && ValidInstanceName(instance) ? FindInstance(instance) : std::string();
    if (found.empty()) throw ServerNotFound();
    return found;
}

InstanceSettings GetInstanceSettings(const std::string& name) {
    std::string found = FindInstance(name);
    if (found.empty()) throw ServerNotFound();
    Connection catalog = OpenCatalog(InstanceFolder(found), false);
    return LoadSettings(found, catalog);
}

namespace {

// Instances are made and removed by the prefix's owner only: another user's files are not ours to lay
// out or delete, even where the folder's modes would let us.
void RequirePrefixOwner() {
    struct stat st;
    std::string prefix = tvp::Prefix();
    if (::stat(prefix.c_str(), &st) == 0 && st.st_uid != ::geteuid())
        throw Error(kErrNotPermitted, "The prefix '" + prefix +
                                          "' belongs to another user: only its owner creates and drops "
                                          "instances.");
}

} // namespace

InstanceSettings CreateInstance(const std::string& requested, const InstanceOptions& options) {
    RequirePrefixOwner();
    std::string name = requested.empty() ? std::string(kDefaultInstance) : requested;
    if (!ValidInstanceName(name))
        throw Error(kErrInternal,
                    "'" + name +
                        "' is not a valid instance name: use up to 16 letters, digits, '_' or '$', "
                        "starting with a letter.");
    if (options.majorVersion < 6 || options.majorVersion > 99)
        throw Error(kErrInternal,
                    Format("%d is not a server version this engine can show.", options.majorVersion));
    if (!FindInstance(name).empty()) throw Error(kErrInternal, "The instance '" + name + "' already exists.");

    std::string folder = InstanceFolder(name);
    // A folder without a catalog is what a creation cut short leaves: it is no instance, start afresh.
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    MakePrivateFolder(folder);
    try {
        MakePrivateFolder(folder + "/Data");
        MakePrivateFolder(folder + "/Backup");
        MakePrivateFolder(folder + "/LOG");

        std::string next = folder + "/catalog.db.new";
        std::remove(next.c_str());
        {
            int fd = CreatePrivateFile(next);
            if (fd < 0) throw Error(kErrInternal, "Could not create the instance catalog in " + folder);
            ::close(fd);
            Connection catalog(next, SQLITE_OPEN_READWRITE, "catalog");
            // In WAL mode from birth: two processes opening a new instance at once (the agent woken by
            // its creation, and a client) would otherwise both try to switch it and one would fail.
            catalog.Exec("PRAGMA journal_mode=WAL");
            catalog.Exec("BEGIN");
            CreateCatalogSchema(catalog);
            auto setting = catalog.Prepare("INSERT INTO settings(name, value) VALUES (?, ?)");
            auto put = [&](const char* key, const std::string& value) {
                setting.With(key, value).Run();
                setting.Reset();
            };
            put("major", std::to_string(options.majorVersion));
            put("minor", "0");
            put("build", "1");
            put("language", "us_english");
            put("created", std::to_string(std::time(nullptr)));

            std::vector<std::pair<std::string, LoginType>> administrators{
                {"BUILTIN\\Administrators", LoginType::WindowsGroup}};
            if (options.administrators.empty()) {
                std::string primary;
                CurrentUserAccounts(&primary);
                administrators.emplace_back(primary, LoginType::WindowsUser);
            } else {
                for (const std::string& account : options.administrators)
                    administrators.emplace_back(account, LoginType::WindowsUser);
            }
            auto login =
                catalog.Prepare("INSERT OR IGNORE INTO logins(name, type, created) VALUES (?, ?, ?)");
            auto member =
                catalog.Prepare("INSERT OR IGNORE INTO role_members(role, login) VALUES ('sysadmin', ?)");
            for (const auto& [account, type] : administrators) {
                login.With(account, static_cast<int>(type), static_cast<long long>(std::time(nullptr))).Run();
                login.Reset();
                member.With(account).Run();
                member.Reset();
            }

            for (const char* system : {"master", "tempdb", "model", "msdb"}) {
                DatabaseSpec spec;
                spec.name = system;
                std::string data = folder + "/Data/" + system + ".mdf";
                std::string log = folder + "/Data/" + system + "_log.LDF";
                CreateDatabaseFiles(data, log, spec.logSizeBytes);
                InsertDatabaseRow(catalog, system, true, spec, data, log, "sa");
            }
            catalog.Exec("COMMIT");
            UpgradeCatalog(catalog);
        }
        if (int fd = ::open(next.c_str(), O_RDONLY | O_CLOEXEC); fd >= 0) {
            ::fsync(fd);
            ::close(fd);
        }
        if (std::rename(next.c_str(), (folder + "/catalog.db").c_str()) != 0)
            throw Error(kErrInternal, "Could not put the instance catalog in place in " + folder);
        FsyncFolder(folder);
        SignalJobChange();
    } catch (...) {
        std::filesystem::remove_all(folder, ignored);
        throw;
    }
    return GetInstanceSettings(name);
}

void DropInstance(const std::string& requested) {
    RequirePrefixOwner();
    std::string name = FindInstance(requested);
    if (name.empty()) throw ServerNotFound();
    std::string folder = InstanceFolder(name);
    {
        Connection catalog = OpenCatalog(folder, false);
        // The agent's registration does not hold an instance: the agent lets go when it is dropped.
        auto query = catalog.Prepare(
            "SELECT pid, pid_start FROM processes WHERE spid NOT IN (SELECT spid FROM agents)");
        while (query.Step())
            if (ProcessAlive(query.Int(0), query.Text(1)))
                throw Error(kErrInternal, "The instance '" + name + "' is in use and cannot be dropped.");
    }
    // Removing the catalog first makes the instance disappear at once, even if the rest is cut short.
    std::string catalogPath = folder + "/catalog.db";
    if (std::remove(catalogPath.c_str()) != 0)
        throw Error(kErrInternal, "Could not remove the instance catalog " + catalogPath);
    SignalJobChange();
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
}

} // namespace tvengine
