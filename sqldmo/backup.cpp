// Backup and Restore: the settings of one backup or restore, run on a connected server, with the
// progress sinks that callers attach through the objects' connection points. Sinks are called on the
// thread that runs the backup or restore (a wizard's worker thread), as the engine reports progress.
#include <map>

#include "object.h"

namespace sqldmo {

namespace {

// The sinks attached to one object, shared by the object and the connection points it hands out.
template <class Sink> struct SinkList {
    std::map<DWORD, tvcom::ComPtr<Sink>> sinks;
    DWORD nextCookie = 1;

    // Percent as the engine reports it, passed on at every step of `every` percent and at 100.
    void Progress(int percent, long every, int& last, const std::wstring& verb) {
        if (percent < 100 && percent - last < std::max(1L, every)) return;
        last = percent;
        std::wstring message = std::to_wstring(percent) + L" percent " + verb + L".";
        // A sink only watches: what it answers never stops the work.
        for (auto& [cookie, sink] : Snapshot())
            sink->PercentComplete(message.c_str(), percent);
    }
    void Complete(const std::wstring& message) {
        for (auto& [cookie, sink] : Snapshot())
            sink->Complete(message.c_str());
    }
    // A sink may unadvise itself from inside a notification.
    std::map<DWORD, tvcom::ComPtr<Sink>> Snapshot() const { return sinks; }
};

template <class Sink> class ConnectionPoint final : public Object<IConnectionPoint> {
public:
    ConnectionPoint(IConnectionPointContainer* container, std::shared_ptr<SinkList<Sink>> list)
        : container_(tvcom::ComPtr<IConnectionPointContainer>::Retain(container)), list_(std::move(list)) {}

    STDMETHODIMP GetConnectionInterface(IID* pIID) override {
        if (!pIID) return E_POINTER;
        *pIID = IidOf<Sink>();
        return S_OK;
    }
    STDMETHODIMP GetConnectionPointContainer(IConnectionPointContainer** ppCPC) override {
        if (!ppCPC) return E_POINTER;
        return container_.CopyTo(ppCPC);
    }
    STDMETHODIMP Advise(IUnknown* pUnkSink, DWORD* pdwCookie) override {
        if (!pdwCookie) return E_POINTER;
        *pdwCookie = 0;
        Sink* sink = nullptr;
        if (!pUnkSink || FAILED(pUnkSink->QueryInterface(IidOf<Sink>(), reinterpret_cast<void**>(&sink))) ||
            !sink)
            return Report(IID_IConnectionPoint, CONNECT_E_CANNOTCONNECT,
                          L"[Tavrosk][Object Model]The sink does not implement the notification interface.");
        *pdwCookie = list_->nextCookie++;
        list_->sinks.emplace(*pdwCookie, tvcom::ComPtr<Sink>::Adopt(sink));
        return S_OK;
    }
    STDMETHODIMP Unadvise(DWORD dwCookie) override {
        if (list_->sinks.erase(dwCookie) == 0)
            return Report(IID_IConnectionPoint, CONNECT_E_NOCONNECTION,
                          L"[Tavrosk][Object Model]No sink is connected with that cookie.");
        return S_OK;
    }
    STDMETHODIMP EnumConnections(IEnumConnections** ppEnum) override {
        if (ppEnum) *ppEnum = nullptr;
        return E_NOTIMPL;
    }

private:
    tvcom::ComPtr<IConnectionPointContainer> container_;
    std::shared_ptr<SinkList<Sink>> list_;
};

// Device lists are read by the engine, which owns their grammar; a list the engine cannot read is
// refused when it is set, with the engine's sentence.
std::vector<std::wstring> ParseList(const std::wstring& text) {
    try {
        std::vector<std::wstring> items;
        for (const std::string& item : tvengine::ParseDeviceList(Utf8(text)))
            items.push_back(Wide(item));
        return items;
    } catch (const tvengine::Error& error) {
        Fail(Wide(error.Message()), E_INVALIDARG);
    }
}

// What Backup and Restore share: the device lists, the database, notification steps, the sinks.
template <class Iface, class Sink> class MediaObject : public Object<Iface, IConnectionPointContainer> {
public:
    STDMETHODIMP GetAction(LPLONG p) override {
        return this->Call([&] { Out(p, action_); });
    }
    STDMETHODIMP SetAction(long v) override {
        return this->Call([&] { action_ = v; });
    }
    STDMETHODIMP GetFiles(SQLDMO_LPBSTR p) override {
        return this->Call([&] { Out(p, files_); });
    }
    STDMETHODIMP SetFiles(SQLDMO_LPCSTR v) override {
        return this->Call([&] {
            ParseList(In(v));
            files_ = In(v);
        });
    }
    STDMETHODIMP GetDevices(SQLDMO_LPBSTR p) override {
        return this->Call([&] { Out(p, devices_); });
    }
    STDMETHODIMP SetDevices(SQLDMO_LPCSTR v) override {
        return this->Call([&] {
            ParseList(In(v));
            devices_ = In(v);
        });
    }
    STDMETHODIMP GetDatabase(SQLDMO_LPBSTR p) override {
        return this->Call([&] { Out(p, database_); });
    }
    STDMETHODIMP SetDatabase(SQLDMO_LPCSTR v) override {
        return this->Call([&] { database_ = In(v); });
    }
    STDMETHODIMP GetPercentCompleteNotification(LPLONG p) override {
        return this->Call([&] { Out(p, every_); });
    }
    STDMETHODIMP SetPercentCompleteNotification(long v) override {
        return this->Call([&] {
            if (v < 1 || v > 100) Fail(L"The notification step must be from 1 to 100 percent.", E_INVALIDARG);
            every_ = v;
        });
    }

    STDMETHODIMP EnumConnectionPoints(IEnumConnectionPoints** ppEnum) override {
        if (ppEnum) *ppEnum = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP FindConnectionPoint(REFIID riid, IConnectionPoint** ppCP) override {
        return Guard(IID_IConnectionPointContainer, [&] {
            if (riid != IidOf<Sink>())
                Fail(L"The object has no connection point for that interface.", CONNECT_E_NOCONNECTION);
            Out(ppCP, static_cast<IConnectionPoint*>(
                          new ConnectionPoint<Sink>(static_cast<IConnectionPointContainer*>(this), sinks_)));
        });
    }

protected:
    // The medium as the lists name it, passed through to the engine, which maps the path or resolves
    // the device.
    tvengine::BackupMedia Media() const { return tvengine::MediaOfLists(Utf8(files_), Utf8(devices_)); }
    std::string Database() const {
        if (database_.empty()) Fail(L"No database is named.", E_INVALIDARG);
        return Utf8(database_);
    }
    tvengine::Progress Progress(const std::wstring& verb) {
        auto last = std::make_shared<int>(0);
        auto sinks = sinks_;
        long every = every_;
        return [sinks, every, last, verb](int percent) { sinks->Progress(percent, every, *last, verb); };
    }

    long action_ = 0;
    std::wstring files_, devices_, database_;
    long every_ = 10;
    std::shared_ptr<SinkList<Sink>> sinks_ = std::make_shared<SinkList<Sink>>();
};

class Backup final : public MediaObject<IWSQLDMOBackup, IWSQLDMOBackupSink> {
public:
    STDMETHODIMP GetBackupSetName(SQLDMO_LPBSTR p) override {
        return Call([&] { Out(p, name_); });
    }
    STDMETHODIMP SetBackupSetName(SQLDMO_LPCSTR v) override {
        return Call([&] { name_ = In(v); });
    }
    STDMETHODIMP GetBackupSetDescription(SQLDMO_LPBSTR p) override {
        return Call([&] { Out(p, description_); });
    }
    STDMETHODIMP SetBackupSetDescription(SQLDMO_LPCSTR v) override {
        return Call([&] { description_ = In(v); });
    }
    STDMETHODIMP GetInitialize(VARIANT_BOOL* p) override {
        return Call([&] { Out(p, initialize_); });
    }
    STDMETHODIMP SetInitialize(VARIANT_BOOL v) override {
        return Call([&] { initialize_ = v != VARIANT_FALSE; });
    }
    STDMETHODIMP SQLBackup(IWSQLDMOServer* server) override {
        return Call([&] {
            auto connection = ConnectionOf(server);
            auto& session = connection->Live();
            tvengine::BackupRequest request;
            request.database = Database();
            if (action_ != SQLDMOBackup_Database && action_ != SQLDMOBackup_Incremental &&
                action_ != SQLDMOBackup_Log)
                Fail(L"The backup action " + std::to_wstring(action_) + L" is not supported.", E_INVALIDARG);
            request.action = tvengine::BackupAction(action_);
            tvengine::BackupMedia media = Media();
            request.file = media.file;
            request.device = media.device;
            request.name = Utf8(name_);
            request.description = Utf8(description_);
            request.initialize = initialize_;
            request.stats = int(every_);
            session.Backup(request, Progress(L"backed up"));
            sinks_->Complete(L"The backup of database '" + database_ + L"' is complete.");
        });
    }

private:
    std::wstring name_, description_;
    bool initialize_ = false;
};

class Restore final : public MediaObject<IWSQLDMORestore, IWSQLDMORestoreSink> {
public:
    STDMETHODIMP GetRelocateFiles(SQLDMO_LPBSTR p) override {
        return Call([&] { Out(p, relocate_); });
    }
    STDMETHODIMP SetRelocateFiles(SQLDMO_LPCSTR v) override {
        return Call([&] {
            if (ParseList(In(v)).size() % 2 != 0)
                Fail(L"The relocation list must pair each logical file name with a new physical name.",
                     E_INVALIDARG);
            relocate_ = In(v);
        });
    }
    STDMETHODIMP GetReplaceDatabase(VARIANT_BOOL* p) override {
        return Call([&] { Out(p, replace_); });
    }
    STDMETHODIMP SetReplaceDatabase(VARIANT_BOOL v) override {
        return Call([&] { replace_ = v != VARIANT_FALSE; });
    }
    // The engine always leaves a restored database ready for use, which is what a last restore asks.
    STDMETHODIMP GetLastRestore(VARIANT_BOOL* p) override {
        return Call([&] { Out(p, lastRestore_); });
    }
    STDMETHODIMP SetLastRestore(VARIANT_BOOL v) override {
        return Call([&] { lastRestore_ = v != VARIANT_FALSE; });
    }
    STDMETHODIMP GetFileNumber(LPLONG p) override {
        return Call([&] { Out(p, fileNumber_); });
    }
    STDMETHODIMP SetFileNumber(long v) override {
        return Call([&] {
            if (v < 0) Fail(L"The backup set number cannot be negative.", E_INVALIDARG);
            fileNumber_ = v;
        });
    }
    STDMETHODIMP ReadFileList(IWSQLDMOServer* server, IWSQLDMOQueryResults** pp) override {
        return Call([&] {
            auto connection = ConnectionOf(server);
            auto& session = connection->Live();
            Out(pp, NewQueryResults(session.ReadFileList(Media(), SetNumber())));
        });
    }
    STDMETHODIMP SQLRestore(IWSQLDMOServer* server) override {
        return Call([&] {
            auto connection = ConnectionOf(server);
            auto& session = connection->Live();
            if (action_ != SQLDMORestore_Database)
                Fail(L"The restore action " + std::to_wstring(action_) + L" is not supported.", E_INVALIDARG);
            if (!lastRestore_)
                Fail(L"A restore that leaves the database waiting for further restores is not supported.",
                     E_INVALIDARG);
            tvengine::RestoreRequest request;
            request.database = Database();
            tvengine::BackupMedia media = Media();
            request.file = media.file;
            request.device = media.device;
            request.fileNumber = SetNumber();
            request.replace = replace_;
            auto moves = ParseList(relocate_);
            for (size_t i = 0; i + 1 < moves.size(); i += 2)
                request.move.emplace_back(Utf8(moves[i]), Utf8(moves[i + 1]));
            session.Restore(request, Progress(L"restored"));
            sinks_->Complete(L"The restore of database '" + database_ + L"' is complete.");
        });
    }

private:
    int SetNumber() const { return fileNumber_ <= 1 ? 1 : int(fileNumber_); }

    std::wstring relocate_;
    bool replace_ = false;
    bool lastRestore_ = true;
    long fileNumber_ = 0;
};

} // namespace

IUnknown* NewBackup() {
    return static_cast<IWSQLDMOBackup*>(new Backup);
}
IUnknown* NewRestore() {
    return static_cast<IWSQLDMORestore*>(new Restore);
}

} // namespace sqldmo
