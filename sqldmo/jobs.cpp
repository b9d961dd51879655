// The agent's jobs: the job server, jobs with their steps and schedules, and the schedule record.
// Objects a caller creates describe a new job, step or schedule until a collection's Add writes it to
// the job store; objects taken from the store read it afresh and write each change at once, except
// a job schedule between BeginAlter and DoAlter, which collects its changes and writes them together,
// and a job, whose properties are those read when it was taken from its collection or last refreshed
// (a list of thousands of jobs reads the store once, not once per property).
#include "collection.h"

namespace sqldmo {

namespace {

// The job an object belongs to, in the store of a connected server.
struct JobPlace {
    ConnectionPtr connection;
    std::string jobId;
    tvengine::Job Read() const { return connection->Live().GetJob(jobId); }
};

// Job steps ------------------------------------------------------------------------------------------------

class JobStep final : public Object<IWSQLDMOJobStep> {
public:
    JobStep() = default;
    JobStep(JobPlace place, const tvengine::JobStep& step)
        : place_(std::move(place)), stored_(true), step_(step) {}

    STDMETHODIMP GetStepID(LPLONG p) override {
        return Call([&] { Out(p, long(Current().id)); });
    }
    STDMETHODIMP SetStepID(long v) override {
        return Call([&] {
            if (v < 1) Fail(L"A step identifier starts at 1.", E_INVALIDARG);
            if (stored_) Fail(L"The step identifier of a step that belongs to a job cannot be changed.");
            Change([&](tvengine::JobStep& s) { s.id = int(v); });
        });
    }
    STDMETHODIMP GetName(SQLDMO_LPBSTR p) override {
        return Call([&] { Out(p, Wide(Current().name)); });
    }
    STDMETHODIMP SetName(SQLDMO_LPCSTR v) override {
        return Call([&] {
            if (In(v).empty()) Fail(L"A job step needs a name.", E_INVALIDARG);
            Change([&](tvengine::JobStep& s) { s.name = Utf8(In(v)); });
        });
    }
    STDMETHODIMP GetSubSystem(SQLDMO_LPBSTR p) override {
        return Call([&] { Out(p, Wide(Current().subsystem)); });
    }
    STDMETHODIMP SetSubSystem(SQLDMO_LPCSTR v) override {
        return Call([&] { Change([&](tvengine::JobStep& s) { s.subsystem = Utf8(In(v)); }); });
    }
    STDMETHODIMP GetCommand(SQLDMO_LPBSTR p) override {
        return Call([&] { Out(p, Wide(Current().command)); });
    }
    STDMETHODIMP SetCommand(SQLDMO_LPCSTR v) override {
        return Call([&] { Change([&](tvengine::JobStep& s) { s.command = Utf8(In(v)); }); });
    }
    STDMETHODIMP GetDatabaseName(SQLDMO_LPBSTR p) override {
        return Call([&] { Out(p, Wide(Current().databaseName)); });
    }
    STDMETHODIMP SetDatabaseName(SQLDMO_LPCSTR v) override {
        return Call([&] { Change([&](tvengine::JobStep& s) { s.databaseName = Utf8(In(v)); }); });
    }
    STDMETHODIMP GetOnSuccessAction(LPLONG p) override {
        return Call([&] { Out(p, long(Current().onSuccessAction)); });
    }
    STDMETHODIMP SetOnSuccessAction(long v) override {
        return Call([&] { Change([&](tvengine::JobStep& s) { s.onSuccessAction = Action(v); }); });
    }
    STDMETHODIMP GetOnSuccessStep(LPLONG p) override {
        return Call([&] { Out(p, long(Current().onSuccessStep)); });
    }
    STDMETHODIMP SetOnSuccessStep(long v) override {
        return Call([&] { Change([&](tvengine::JobStep& s) { s.onSuccessStep = int(v); }); });
    }
    STDMETHODIMP GetOnFailAction(LPLONG p) override {
        return Call([&] { Out(p, long(Current().onFailAction)); });
    }
    STDMETHODIMP SetOnFailAction(long v) override {
        return Call([&] { Change([&](tvengine::JobStep& s) { s.onFailAction = Action(v); }); });
    }
    STDMETHODIMP GetOnFailStep(LPLONG p) override {
        return Call([&] { Out(p, long(Current().onFailStep)); });
    }
    STDMETHODIMP SetOnFailStep(long v) override {
        return Call([&] { Change([&](tvengine::JobStep& s) { s.onFailStep = int(v); }); });
    }
    STDMETHODIMP Remove() override {
        return Call([&] {
            if (!stored_) Fail(L"The job step has not been added to a job.");
            place_.connection->Live().RemoveJobStep(place_.jobId, step_.id);
            stored_ = false;
        });
    }

    void AddTo(const JobPlace& place) {
        if (stored_)
            Fail(L"The job step '" + Wide(step_.name) + L"' belongs to a job already.", E_INVALIDARG);
        if (step_.name.empty()) Fail(L"A job step needs a name.", E_INVALIDARG);
        place.connection->Live().AddJobStep(place.jobId, step_);
        place_ = place;
        stored_ = true;
    }

private:
    static int Action(long v) {
        if (v < SQLDMOJobStepAction_QuitWithSuccess || v > SQLDMOJobStepAction_GotoStep)
            Fail(L"The step action " + std::to_wstring(v) + L" is not valid.", E_INVALIDARG);
        return int(v);
    }
    tvengine::JobStep Current() {
        if (!stored_) return step_;
        // A step is known by its number; two steps of a job may share a name.
        for (const auto& step : place_.Read().steps)
            if (step.id == step_.id) return step_ = step;
        Fail(L"The job step " + std::to_wstring(step_.id) + L" no longer exists.");
    }
    template <class F> void Change(F&& change) {
        tvengine::JobStep step = Current();
        change(step);
        if (stored_) place_.connection->Live().UpdateJobStep(place_.jobId, step.id, step);
        step_ = step;
    }

    JobPlace place_;
    bool stored_ = false;
    tvengine::JobStep step_;
};

class JobSteps final : public Collection<IWSQLDMOJobSteps, IWSQLDMOJobStep> {
public:
    explicit JobSteps(JobPlace place) : place_(std::move(place)) {}
    STDMETHODIMP Add(IWSQLDMOJobStep* pObj) override {
        return Call([&] {
            Implementation<JobStep>(pObj, L"job step")->AddTo(place_);
            Forget();
        });
    }

protected:
    std::vector<std::wstring> Load() override {
        steps_ = place_.Read().steps;
        std::vector<std::wstring> names;
        for (const auto& step : steps_)
            names.push_back(Wide(step.name));
        return names;
    }
    IWSQLDMOJobStep* Make(size_t index) override { return new JobStep(place_, steps_[index]); }

private:
    JobPlace place_;
    std::vector<tvengine::JobStep> steps_;
};

// Job schedules ------------------------------------------------------------------------------------------

struct ScheduleState {
    JobPlace place;
    bool stored = false;
    bool altering = false;
    tvengine::JobSchedule data;

    tvengine::JobSchedule& Current() {
        if (stored && !altering) {
            bool found = false;
            for (const auto& schedule : place.Read().schedules)
                if (schedule.id == data.id) {
                    data = schedule;
                    found = true;
                }
            if (!found) Fail(L"The job schedule '" + Wide(data.name) + L"' no longer exists.");
        }
        return data;
    }
    template <class F> void Change(F&& change) {
        tvengine::JobSchedule schedule = Current();
        change(schedule);
        if (stored && !altering) place.connection->Live().UpdateJobSchedule(place.jobId, schedule);
        data = schedule;
    }
};
using SchedulePtr = std::shared_ptr<ScheduleState>;

class Schedule final : public Object<IWSQLDMOSchedule> {
public:
    explicit Schedule(SchedulePtr state) : state_(std::move(state)) {}

#define SQLDMO_SCHEDULE_FIELD(Name, field)                                                                   \
    STDMETHODIMP Get##Name(LPLONG p) override {                                                              \
        return Call([&] { Out(p, long(state_->Current().field)); });                                         \
    }                                                                                                        \
    STDMETHODIMP Set##Name(long v) override {                                                                \
        return Call([&] { state_->Change([&](tvengine::JobSchedule& s) { s.field = int(v); }); });           \
    }
    SQLDMO_SCHEDULE_FIELD(FrequencyInterval, frequencyInterval)
    SQLDMO_SCHEDULE_FIELD(FrequencyRecurrenceFactor, frequencyRecurrenceFactor)
    SQLDMO_SCHEDULE_FIELD(FrequencyRelativeInterval, frequencyRelativeInterval)
    SQLDMO_SCHEDULE_FIELD(FrequencySubDay, frequencySubdayType)
    SQLDMO_SCHEDULE_FIELD(FrequencySubDayInterval, frequencySubdayInterval)
    SQLDMO_SCHEDULE_FIELD(ActiveStartDate, activeStartDate)
    SQLDMO_SCHEDULE_FIELD(ActiveStartTimeOfDay, activeStartTime)
    SQLDMO_SCHEDULE_FIELD(ActiveEndDate, activeEndDate)
    SQLDMO_SCHEDULE_FIELD(ActiveEndTimeOfDay, activeEndTime)
#undef SQLDMO_SCHEDULE_FIELD

    STDMETHODIMP GetFrequencyType(LPLONG p) override {
        return Call([&] { Out(p, long(state_->Current().frequencyType)); });
    }
    STDMETHODIMP SetFrequencyType(long v) override {
        return Call([&] {
            switch (v) {
            case SQLDMOFreq_OneTime:
            case SQLDMOFreq_Daily:
            case SQLDMOFreq_Weekly:
            case SQLDMOFreq_Monthly:
            case SQLDMOFreq_MonthlyRelative:
            case SQLDMOFreq_Autostart:
                break;
            default:
                Fail(L"The frequency type " + std::to_wstring(v) + L" is not valid.", E_INVALIDARG);
            }
            state_->Change([&](tvengine::JobSchedule& s) { s.frequencyType = int(v); });
        });
    }

private:
    SchedulePtr state_;
};

class JobSchedule final : public Object<IWSQLDMOJobSchedule> {
public:
    JobSchedule() : state_(std::make_shared<ScheduleState>()) {}
    JobSchedule(JobPlace place, const tvengine::JobSchedule& data) : JobSchedule() {
        state_->place = std::move(place);
        state_->stored = true;
        state_->data = data;
    }

    STDMETHODIMP GetName(SQLDMO_LPBSTR p) override {
        return Call([&] { Out(p, Wide(state_->Current().name)); });
    }
    STDMETHODIMP SetName(SQLDMO_LPCSTR v) override {
        return Call([&] {
            if (In(v).empty()) Fail(L"A job schedule needs a name.", E_INVALIDARG);
            state_->Change([&](tvengine::JobSchedule& s) { s.name = Utf8(In(v)); });
        });
    }
    STDMETHODIMP GetEnabled(VARIANT_BOOL* p) override {
        return Call([&] { Out(p, state_->Current().enabled); });
    }
    STDMETHODIMP SetEnabled(VARIANT_BOOL v) override {
        return Call(
            [&] { state_->Change([&](tvengine::JobSchedule& s) { s.enabled = v != VARIANT_FALSE; }); });
    }
    STDMETHODIMP GetSchedule(IWSQLDMOSchedule** pp) override {
        return Call([&] { Out(pp, static_cast<IWSQLDMOSchedule*>(new Schedule(state_))); });
    }
    STDMETHODIMP Refresh() override {
        return Call([&] {
            state_->altering = false;
            state_->Current();
        });
    }
    STDMETHODIMP BeginAlter() override {
        return Call([&] {
            if (!state_->stored) Fail(L"Only a schedule that belongs to a job can be altered.");
            state_->Current();
            state_->altering = true;
        });
    }
    STDMETHODIMP DoAlter() override {
        return Call([&] {
            if (!state_->altering) Fail(L"DoAlter needs a BeginAlter before it.");
            state_->place.connection->Live().UpdateJobSchedule(state_->place.jobId, state_->data);
            state_->altering = false;
        });
    }
    STDMETHODIMP CancelAlter() override {
        return Call([&] {
            if (!state_->altering) Fail(L"CancelAlter needs a BeginAlter before it.");
            state_->altering = false;
            state_->Current();
        });
    }
    STDMETHODIMP Remove() override {
        return Call([&] {
            if (!state_->stored) Fail(L"The job schedule has not been added to a job.");
            state_->place.connection->Live().RemoveJobSchedule(state_->place.jobId, state_->data.id);
            state_->stored = false;
            state_->altering = false;
        });
    }

    void AddTo(const JobPlace& place) {
        auto& state = *state_;
        if (state.stored)
            Fail(L"The job schedule '" + Wide(state.data.name) + L"' belongs to a job already.",
                 E_INVALIDARG);
        if (state.data.name.empty()) Fail(L"A job schedule needs a name.", E_INVALIDARG);
        state.data.id = place.connection->Live().AddJobSchedule(place.jobId, state.data);
        state.place = place;
        state.stored = true;
    }

private:
    SchedulePtr state_;
};

class JobSchedules final : public Collection<IWSQLDMOJobSchedules, IWSQLDMOJobSchedule> {
public:
    explicit JobSchedules(JobPlace place) : place_(std::move(place)) {}
    STDMETHODIMP Add(IWSQLDMOJobSchedule* pObj) override {
        return Call([&] {
            Implementation<JobSchedule>(pObj, L"job schedule")->AddTo(place_);
            Forget();
        });
    }

protected:
    std::vector<std::wstring> Load() override {
        schedules_ = place_.Read().schedules;
        std::vector<std::wstring> names;
        for (const auto& schedule : schedules_)
            names.push_back(Wide(schedule.name));
        return names;
    }
    IWSQLDMOJobSchedule* Make(size_t index) override { return new JobSchedule(place_, schedules_[index]); }

private:
    JobPlace place_;
    std::vector<tvengine::JobSchedule> schedules_;
};

// Jobs
// -------------------------------------------------------------------------------------------------------

class Job final : public Object<IWSQLDMOJob> {
public:
    Job() = default;
    Job(ConnectionPtr connection, tvengine::Job job)
        : place_{std::move(connection), job.id}, job_(std::move(job)), read_(true) {}

    STDMETHODIMP GetName(SQLDMO_LPBSTR p) override {
        return Call([&] { Out(p, Wide(Current().name)); });
    }
    STDMETHODIMP SetName(SQLDMO_LPCSTR v) override {
        return Call([&] {
            if (In(v).empty()) Fail(L"A job needs a name.", E_INVALIDARG);
            if (Waiting()) {
                // Added before it had a name: the job is written to the store now.
                job_.name = Utf8(In(v));
                place_.jobId = place_.connection->Live().AddJob(job_);
                return;
            }
            Change([&](tvengine::Job& j) { j.name = Utf8(In(v)); });
        });
    }
    STDMETHODIMP GetJobID(SQLDMO_LPBSTR p) override {
        return Call([&] { Out(p, Wide(Current().id)); });
    }
    STDMETHODIMP GetCategory(SQLDMO_LPBSTR p) override {
        return Call([&] { Out(p, Wide(Current().category)); });
    }
    STDMETHODIMP SetCategory(SQLDMO_LPCSTR v) override {
        return Call([&] { Change([&](tvengine::Job& j) { j.category = Utf8(In(v)); }); });
    }
    STDMETHODIMP GetDescription(SQLDMO_LPBSTR p) override {
        return Call([&] { Out(p, Wide(Current().description)); });
    }
    STDMETHODIMP SetDescription(SQLDMO_LPCSTR v) override {
        return Call([&] { Change([&](tvengine::Job& j) { j.description = Utf8(In(v)); }); });
    }
    STDMETHODIMP GetOwnerLoginName(SQLDMO_LPBSTR p) override {
        return Call([&] { Out(p, Wide(Current().owner)); });
    }
    STDMETHODIMP GetEnabled(VARIANT_BOOL* p) override {
        return Call([&] { Out(p, Current().enabled); });
    }
    STDMETHODIMP SetEnabled(VARIANT_BOOL v) override {
        return Call([&] { Change([&](tvengine::Job& j) { j.enabled = v != VARIANT_FALSE; }); });
    }
    STDMETHODIMP GetHasSchedule(VARIANT_BOOL* p) override {
        return Call([&] { Out(p, Current().HasSchedule()); });
    }
    STDMETHODIMP GetHasStep(VARIANT_BOOL* p) override {
        return Call([&] { Out(p, !Current().steps.empty()); });
    }
    STDMETHODIMP GetStartStepID(LPLONG p) override {
        return Call([&] { Out(p, long(Current().startStep)); });
    }
    STDMETHODIMP SetStartStepID(long v) override {
        return Call([&] { Change([&](tvengine::Job& j) { j.startStep = int(v); }); });
    }
    STDMETHODIMP GetCurrentRunStatus(LPLONG p) override {
        return Call([&] { Out(p, long(Current().currentStatus)); });
    }
    STDMETHODIMP GetLastRunOutcome(LPLONG p) override {
        return Call([&] { Out(p, long(Current().lastRunOutcome)); });
    }
    STDMETHODIMP GetLastRunDate(LPLONG p) override {
        return Call([&] { Out(p, long(Current().lastRunDate)); });
    }
    STDMETHODIMP GetLastRunTime(LPLONG p) override {
        return Call([&] { Out(p, long(Current().lastRunTime)); });
    }
    STDMETHODIMP GetNextRunDate(LPLONG p) override {
        return Call([&] { Out(p, long(Current().nextRunDate)); });
    }
    STDMETHODIMP GetNextRunTime(LPLONG p) override {
        return Call([&] { Out(p, long(Current().nextRunTime)); });
    }
    STDMETHODIMP GetJobSteps(IWSQLDMOJobSteps** pp) override {
        return Call([&] {
            Out(pp, static_cast<IWSQLDMOJobSteps*>(new JobSteps(Stored())));
            read_ = false; // steps added or removed through the collection change HasStep
        });
    }
    STDMETHODIMP GetJobSchedules(IWSQLDMOJobSchedules** pp) override {
        return Call([&] {
            Out(pp, static_cast<IWSQLDMOJobSchedules*>(new JobSchedules(Stored())));
            read_ = false; // as for the steps: HasSchedule and the next run follow the schedules
        });
    }
    STDMETHODIMP ApplyToTargetServer(SQLDMO_LPCSTR serverName) override {
        return Call([&] {
            if (In(serverName).empty()) Fail(L"A target server needs a name.", E_INVALIDARG);
            Change([&](tvengine::Job& j) { j.targetServer = Utf8(In(serverName)); });
        });
    }
    STDMETHODIMP Start(SQLDMO_LPCSTR stepName) override {
        return Call([&] { Stored().connection->Live().StartJob(place_.jobId, Utf8(In(stepName))); });
    }
    STDMETHODIMP Refresh() override {
        return Call([&] { Read(); });
    }
    STDMETHODIMP Remove() override {
        return Call([&] {
            Stored().connection->Live().RemoveJob(place_.jobId);
            place_ = {};
        });
    }
    STDMETHODIMP Invoke() override {
        return Call([&] { Stored().connection->Live().StartJob(place_.jobId); });
    }
    STDMETHODIMP GetCurrentRunStep(SQLDMO_LPBSTR p) override {
        return Call([&] {
            tvengine::Job job = Current();
            std::wstring text = L"0 (unknown)";
            for (const auto& step : job.steps)
                if (job.currentStatus == 1 && step.id == job.currentStep)
                    text = std::to_wstring(step.id) + L" (" + Wide(step.name) + L")";
            Out(p, text);
        });
    }
    STDMETHODIMP EnumHistory(IWSQLDMOQueryResults** pp) override {
        return Call([&] {
            tvengine::Job job = Current();
            auto& session = Stored().connection->Live();
            using tvengine::ColumnType;
            tvengine::ResultSet results({{"instance_id", ColumnType::Integer},
                                         {"job_id", ColumnType::WVarChar},
                                         {"job_name", ColumnType::WVarChar},
                                         {"step_id", ColumnType::Integer},
                                         {"step_name", ColumnType::WVarChar},
                                         {"sql_message_id", ColumnType::Integer},
                                         {"sql_severity", ColumnType::Integer},
                                         {"message", ColumnType::WVarChar},
                                         {"run_status", ColumnType::Integer},
                                         {"run_date", ColumnType::Integer},
                                         {"run_time", ColumnType::Integer},
                                         {"run_duration", ColumnType::Integer},
                                         {"server", ColumnType::WVarChar}});
            auto entries = session.JobHistory(job.id);
            // The newest entry first, as the server lists a job's history.
            for (auto entry = entries.rbegin(); entry != entries.rend(); ++entry)
                results.AddRow({entry->id, job.id, job.name, (long long)entry->stepId, entry->stepName,
                                (long long)entry->sqlMessageId, (long long)entry->sqlSeverity, entry->message,
                                (long long)entry->runStatus, (long long)entry->runDate,
                                (long long)entry->runTime, (long long)entry->runDuration,
                                session.Settings().serverName});
            Out(pp, NewQueryResults(results));
        });
    }
    STDMETHODIMP RemoveStepByName(SQLDMO_LPCSTR stepName) override {
        return Call([&] {
            std::string name = Utf8(In(stepName));
            Read();
            int id = 0;
            for (const auto& step : job_.steps)
                if (step.name == name && id == 0) id = step.id;
            if (id == 0)
                throw tvengine::Error(tvengine::kErrNoSuchJob,
                                      "The specified @step_name ('" + name + "') does not exist.");
            Stored().connection->Live().RemoveJobStep(place_.jobId, id);
            Read();
        });
    }
    STDMETHODIMP RemoveScheduleByName(SQLDMO_LPCSTR scheduleName) override {
        return Call([&] {
            std::string name = Utf8(In(scheduleName));
            Read();
            int id = 0;
            for (const auto& schedule : job_.schedules)
                if (schedule.name == name && id == 0) id = schedule.id;
            if (id == 0)
                throw tvengine::Error(tvengine::kErrNoSuchJob,
                                      "The specified @name ('" + name + "') does not exist.");
            Stored().connection->Live().RemoveJobSchedule(place_.jobId, id);
            Read();
        });
    }

    void AddTo(const ConnectionPtr& connection) {
        if (place_.connection) Fail(L"The job has been added to a server already.", E_INVALIDARG);
        place_.connection = connection;
        // A job may be added before it is named; it is written to the store when it gets its name.
        if (!job_.name.empty()) place_.jobId = connection->Live().AddJob(job_);
    }

private:
    bool Waiting() const { return place_.connection && place_.jobId.empty(); }
    const JobPlace& Stored() const {
        if (!place_.connection) Fail(L"The job has not been added to a server.");
        if (place_.jobId.empty()) Fail(L"The job needs a name before it can be used on the server.");
        return place_;
    }
    tvengine::Job Current() {
        if (!read_) Read();
        return job_;
    }
    void Read() {
        if (place_.connection && !place_.jobId.empty()) {
            job_ = place_.Read();
            read_ = true;
        }
    }
    template <class F> void Change(F&& change) {
        Read(); // a change applies to the job as it is now
        tvengine::Job job = job_;
        change(job);
        if (place_.connection && !place_.jobId.empty()) place_.connection->Live().UpdateJob(job);
        job_ = job;
    }

    JobPlace place_;
    tvengine::Job job_;
    bool read_ = false; // job_ holds the store's job (not a job still being described)
};

class Jobs final : public Collection<IWSQLDMOJobs, IWSQLDMOJob> {
public:
    explicit Jobs(ConnectionPtr connection) : connection_(std::move(connection)) {}

    STDMETHODIMP Add(IWSQLDMOJob* pObj) override {
        return Call([&] {
            connection_->Live();
            Implementation<Job>(pObj, L"job")->AddTo(connection_);
            Forget();
        });
    }
    STDMETHODIMP RemoveByName(SQLDMO_LPCSTR szName) override {
        return Call([&] {
            connection_->Live().RemoveJob(ids_[IndexOf(In(szName))]);
            Forget();
        });
    }

protected:
    std::vector<std::wstring> Load() override {
        jobs_ = connection_->Live().Jobs();
        ids_.clear();
        std::vector<std::wstring> names;
        for (const auto& job : jobs_) {
            ids_.push_back(job.id);
            names.push_back(Wide(job.name));
        }
        return names;
    }
    IWSQLDMOJob* Make(size_t index) override { return new Job(connection_, jobs_[index]); }

private:
    ConnectionPtr connection_;
    std::vector<std::string> ids_;
    std::vector<tvengine::Job> jobs_;
};

class JobServer final : public Object<IWSQLDMOJobServer> {
public:
    explicit JobServer(ConnectionPtr connection) : connection_(std::move(connection)) {}
    STDMETHODIMP GetJobs(IWSQLDMOJobs** pp) override {
        return Call([&] {
            connection_->Live();
            Out(pp, static_cast<IWSQLDMOJobs*>(new Jobs(connection_)));
        });
    }
    STDMETHODIMP Refresh() override {
        return Call([&] { connection_->Live(); });
    }
    STDMETHODIMP GetStatus(LPLONG p) override {
        return Call([&] { Out(p, connection_->Live().AgentRunning() ? 1L : 3L); });
    }

private:
    ConnectionPtr connection_;
};

} // namespace

IWSQLDMOJobServer* NewJobServer(const ConnectionPtr& connection) {
    return new JobServer(connection);
}
IUnknown* NewJob() {
    return static_cast<IWSQLDMOJob*>(new Job);
}
IUnknown* NewJobStep() {
    return static_cast<IWSQLDMOJobStep*>(new JobStep);
}
IUnknown* NewJobSchedule() {
    return static_cast<IWSQLDMOJobSchedule*>(new JobSchedule);
}

} // namespace sqldmo
