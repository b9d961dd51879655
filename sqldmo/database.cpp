// Databases: the server's collection, each database's figures, its read-only option, transaction log,
// file groups and files, and its lock list. A Database object made by a caller is a description of a
// new database (name, data files in "PRIMARY", log files) until the server's Databases.Add creates it.
#include "collection.h"

namespace sqldmo {

namespace {

// A data or log file: a description to be added, or a file of an existing database (read-only then).
template <class I> class FileObject final : public Object<I> {
public:
    FileObject() = default;
    explicit FileObject(const tvengine::DatabaseFileInfo& info)
        : name_(Wide(info.logicalName)), physical_(Wide(info.physicalName)),
          sizeMB_(long(info.sizeBytes / (1024 * 1024))), existing_(true) {}

    STDMETHODIMP GetName(SQLDMO_LPBSTR p) override {
        return this->Call([&] { Out(p, name_); });
    }
    STDMETHODIMP SetName(SQLDMO_LPCSTR v) override {
        return this->Call([&] {
            Describing();
            name_ = In(v);
        });
    }
    STDMETHODIMP GetPhysicalName(SQLDMO_LPBSTR p) override {
        return this->Call([&] { Out(p, physical_); });
    }
    STDMETHODIMP SetPhysicalName(SQLDMO_LPCSTR v) override {
        return this->Call([&] {
            Describing();
            physical_ = In(v);
        });
    }
    STDMETHODIMP GetSize(LPLONG p) override {
        return this->Call([&] { Out(p, sizeMB_); });
    }

    const std::wstring& Name() const { return name_; }
    const std::wstring& Physical() const { return physical_; }
    bool Existing() const { return existing_; }

private:
    void Describing() const {
        if (existing_) Fail(L"The file of an existing database cannot be changed here.");
    }

    std::wstring name_, physical_;
    long sizeMB_ = 0;
    bool existing_ = false;
};
using DBFile = FileObject<IWSQLDMODBFile>;
using LogFile = FileObject<IWSQLDMOLogFile>;

// What a Database object stands for: a database of a connected server, or a new one being described.
struct DatabaseState {
    ConnectionPtr connection; // null while describing a new database
    std::wstring name;
    std::vector<tvcom::ComPtr<IWSQLDMODBFile>> dataFiles; // files added to "PRIMARY" before creation
    std::vector<tvcom::ComPtr<IWSQLDMOLogFile>> logFiles;

    bool Existing() const { return connection != nullptr; }
    tvengine::Session& Live() {
        if (!connection) Fail(L"The database '" + name + L"' has not been added to a server.");
        return connection->Live();
    }
    tvengine::DatabaseInfo Info() { return Live().Database(Utf8(name)); }
};
using StatePtr = std::shared_ptr<DatabaseState>;

// The files of one kind of a database: read from the server, or the descriptions added so far.
template <class Coll, class I, class File, class Pick> class Files final : public Collection<Coll, I> {
public:
    Files(StatePtr state, std::vector<tvcom::ComPtr<I>> DatabaseState::*pending, Pick pick)
        : state_(std::move(state)), pending_(pending), pick_(pick) {}

    STDMETHODIMP Add(I* pObj) override {
        return this->Call([&] {
            auto* file = Implementation<File>(pObj, L"file");
            if (state_->Existing())
                Fail(L"Files can be added only to a database that is being created.", E_INVALIDARG);
            if (file->Existing() || file->Name().empty() || file->Physical().empty())
                Fail(L"A new file needs a logical name and a physical name.", E_INVALIDARG);
            ((*state_).*pending_).push_back(tvcom::ComPtr<I>::Retain(pObj));
            this->Forget();
        });
    }

protected:
    std::vector<std::wstring> Load() override {
        items_.clear();
        if (state_->Existing()) {
            for (const auto& info : pick_(*state_))
                items_.push_back(tvcom::ComPtr<I>::Adopt(new File(info)));
        } else {
            items_ = (*state_).*pending_;
        }
        std::vector<std::wstring> names;
        for (const auto& item : items_)
            names.push_back(static_cast<File*>(item.Get())->Name());
        return names;
    }
    I* Make(size_t index) override {
        return tvcom::ComPtr<I>(items_[index]).Detach(); // a reference of the caller's own
    }

private:
    StatePtr state_;
    std::vector<tvcom::ComPtr<I>> DatabaseState::*pending_;
    Pick pick_;
    std::vector<tvcom::ComPtr<I>> items_;
};

std::vector<tvengine::DatabaseFileInfo> FilesOfType(DatabaseState& state, char type,
                                                    const std::wstring& group) {
    std::vector<tvengine::DatabaseFileInfo> files;
    for (const auto& file : state.Info().files)
        if (file.type == type && (group.empty() || SameName(Wide(file.fileGroup), group)))
            files.push_back(file);
    return files;
}

template <class Coll, class I, class File, class Pick>
Coll* NewFiles(StatePtr state, std::vector<tvcom::ComPtr<I>> DatabaseState::*pending, Pick pick) {
    return new Files<Coll, I, File, Pick>(std::move(state), pending, pick);
}

class FileGroup final : public Object<IWSQLDMOFileGroup> {
public:
    FileGroup(StatePtr state, std::wstring name) : state_(std::move(state)), name_(std::move(name)) {}
    STDMETHODIMP GetName(SQLDMO_LPBSTR p) override {
        return Call([&] { Out(p, name_); });
    }
    STDMETHODIMP GetDBFiles(IWSQLDMODBFiles** pp) override {
        return Call([&] {
            std::wstring group = name_;
            auto pick = [group](DatabaseState& state) { return FilesOfType(state, 'D', group); };
            Out(pp, static_cast<IWSQLDMODBFiles*>(NewFiles<IWSQLDMODBFiles, IWSQLDMODBFile, DBFile>(
                        state_, &DatabaseState::dataFiles, pick)));
        });
    }

private:
    StatePtr state_;
    std::wstring name_;
};

class FileGroups final : public Collection<IWSQLDMOFileGroups, IWSQLDMOFileGroup> {
public:
    explicit FileGroups(StatePtr state) : state_(std::move(state)) {}

protected:
    std::vector<std::wstring> Load() override {
        // A database being described has its primary group only.
        if (!state_->Existing()) return {L"PRIMARY"};
        std::vector<std::wstring> names;
        for (const auto& group : state_->Live().FileGroups(Utf8(state_->name)))
            names.push_back(Wide(group.name));
        return names;
    }
    IWSQLDMOFileGroup* Make(size_t index) override { return new FileGroup(state_, Names()[index]); }

private:
    StatePtr state_;
};

class DBOption final : public Object<IWSQLDMODBOption> {
public:
    explicit DBOption(StatePtr state) : state_(std::move(state)) {}
    STDMETHODIMP GetReadOnly(VARIANT_BOOL* p) override {
        return Call([&] { Out(p, state_->Info().readOnly); });
    }
    STDMETHODIMP SetReadOnly(VARIANT_BOOL v) override {
        return Call([&] { state_->Live().SetReadOnly(Utf8(state_->name), v != VARIANT_FALSE); });
    }

private:
    StatePtr state_;
};

class TransactionLog final : public Object<IWSQLDMOTransactionLog> {
public:
    explicit TransactionLog(StatePtr state) : state_(std::move(state)) {}
    STDMETHODIMP GetCreateDate(SQLDMO_LPBSTR p) override {
        return Call([&] { Out(p, DateText(state_->Info().created)); });
    }
    STDMETHODIMP GetLastBackup(SQLDMO_LPBSTR p) override {
        return Call([&] { Out(p, DateText(state_->Info().lastBackup)); });
    }
    STDMETHODIMP GetSize(LPLONG p) override {
        return Call([&] { Out(p, long(state_->Info().logSizeMB)); });
    }
    STDMETHODIMP GetSpaceAvailableInMB(float* p) override {
        return Call([&] { Out(p, state_->Info().logSpaceAvailableMB); });
    }
    STDMETHODIMP GetLogFiles(IWSQLDMOLogFiles** pp) override {
        return Call([&] {
            auto pick = [](DatabaseState& state) { return FilesOfType(state, 'L', L""); };
            Out(pp, static_cast<IWSQLDMOLogFiles*>(NewFiles<IWSQLDMOLogFiles, IWSQLDMOLogFile, LogFile>(
                        state_, &DatabaseState::logFiles, pick)));
        });
    }

private:
    StatePtr state_;
};

class Database final : public Object<IWSQLDMODatabase> {
public:
    Database() : state_(std::make_shared<DatabaseState>()) {}
    Database(ConnectionPtr connection, std::wstring name) : Database() {
        state_->connection = std::move(connection);
        state_->name = std::move(name);
    }

    STDMETHODIMP GetName(SQLDMO_LPBSTR p) override {
        return Call([&] { Out(p, state_->name); });
    }
    STDMETHODIMP SetName(SQLDMO_LPCSTR v) override {
        return Call([&] {
            if (state_->Existing()) Fail(L"An existing database cannot be renamed here.");
            state_->name = In(v);
        });
    }
    STDMETHODIMP GetSize(LPLONG p) override {
        return Call([&] { Out(p, long(state_->Info().sizeMB)); });
    }
    STDMETHODIMP GetSpaceAvailableInMB(float* p) override {
        return Call([&] { Out(p, state_->Info().spaceAvailableMB); });
    }
    STDMETHODIMP GetSystemObject(VARIANT_BOOL* p) override {
        return Call([&] { Out(p, state_->Info().systemObject); });
    }
    STDMETHODIMP GetStatus(LPLONG p) override {
        return Call([&] { Out(p, long(state_->Info().status)); });
    }
    STDMETHODIMP GetCreateDate(SQLDMO_LPBSTR p) override {
        return Call([&] { Out(p, DateText(state_->Info().created)); });
    }
    STDMETHODIMP GetTransactionLog(IWSQLDMOTransactionLog** pp) override {
        return Call([&] { Out(pp, static_cast<IWSQLDMOTransactionLog*>(new TransactionLog(state_))); });
    }
    STDMETHODIMP GetDBOption(IWSQLDMODBOption** pp) override {
        return Call([&] {
            state_->Live();
            Out(pp, static_cast<IWSQLDMODBOption*>(new DBOption(state_)));
        });
    }
    STDMETHODIMP GetFileGroups(IWSQLDMOFileGroups** pp) override {
        return Call([&] { Out(pp, static_cast<IWSQLDMOFileGroups*>(new FileGroups(state_))); });
    }
    STDMETHODIMP EnumLocks(long who, IWSQLDMOQueryResults** pp) override {
        return Call(
            [&] { Out(pp, NewQueryResults(state_->Live().EnumLocks(Utf8(state_->name), int(who)))); });
    }
    STDMETHODIMP Remove() override {
        return Call([&] {
            state_->Live().DropDatabase(Utf8(state_->name));
            state_->connection.reset();
        });
    }

    // Creates the described database on the server and makes this object stand for it.
    void Create(const ConnectionPtr& connection) {
        auto& state = *state_;
        if (state.Existing()) Fail(L"The database '" + state.name + L"' exists already.", E_INVALIDARG);
        if (state.name.empty()) Fail(L"A new database needs a name.", E_INVALIDARG);
        // The engine keeps one data file and one log file per database.
        if (state.dataFiles.size() > 1 || state.logFiles.size() > 1)
            Fail(L"A new database takes at most one data file and one log file.", E_INVALIDARG);
        tvengine::DatabaseSpec spec;
        spec.name = Utf8(state.name);
        if (!state.dataFiles.empty()) {
            auto* file = static_cast<DBFile*>(state.dataFiles.front().Get());
            spec.dataLogicalName = Utf8(file->Name());
            spec.dataFile = tvp::NativePath(file->Physical());
        }
        if (!state.logFiles.empty()) {
            auto* file = static_cast<LogFile*>(state.logFiles.front().Get());
            spec.logLogicalName = Utf8(file->Name());
            spec.logFile = tvp::NativePath(file->Physical());
        }
        connection->Live().CreateDatabase(spec);
        state.connection = connection;
        state.dataFiles.clear();
        state.logFiles.clear();
    }

private:
    StatePtr state_;
};

class Databases final : public Collection<IWSQLDMODatabases, IWSQLDMODatabase> {
public:
    explicit Databases(ConnectionPtr connection) : connection_(std::move(connection)) {}

    STDMETHODIMP Add(IWSQLDMODatabase* pObj) override {
        return Call([&] {
            Implementation<Database>(pObj, L"database")->Create(connection_);
            Forget();
        });
    }
    STDMETHODIMP RemoveByName(SQLDMO_LPCSTR szName) override {
        return Call([&] {
            connection_->Live().DropDatabase(Utf8(Names()[IndexOf(In(szName))]));
            Forget();
        });
    }

protected:
    std::vector<std::wstring> Load() override {
        std::vector<std::wstring> names;
        for (const auto& database : connection_->Live().Databases())
            names.push_back(Wide(database.name));
        return names;
    }
    IWSQLDMODatabase* Make(size_t index) override { return new Database(connection_, Names()[index]); }

private:
    ConnectionPtr connection_;
};

} // namespace

IWSQLDMODatabases* NewDatabases(const ConnectionPtr& connection) {
    return new Databases(connection);
}
IUnknown* NewDatabase() {
    return static_cast<IWSQLDMODatabase*>(new Database);
}
IUnknown* NewDBFile() {
    return static_cast<IWSQLDMODBFile*>(new DBFile);
}
IUnknown* NewLogFile() {
    return static_cast<IWSQLDMOLogFile*>(new LogFile);
}

} // namespace sqldmo
