#include "platform/FFT.h"

#include <fftw3.h>
#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <deque>
#include <fstream>
#include <initializer_list>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "platform/Assert.h"
#include "platform/Log.h"
#include "platform/Paths.h"
#include "platform/Thread.h"

namespace platform {

// A measurement for the background planner: the kinds still on quick plans,
// scratch arrays of the setup's layout to measure on (FFTW_MEASURE writes
// into them), and the measured plans once made.
struct MeasuredPlans {
  enum State { Planning, Done, Abandoned };

  unsigned kinds = 0;
  int length = 0;
  std::string wisdomPath;  // taken at creation: the planner thread reads no environment
  std::unique_ptr<SplitComplexArray> scratch;
  // Planning -> Done (by the planner thread, after it has written the fields
  // below) or Planning/Done -> Abandoned (by the owner's destructor). The
  // side that comes second destroys the measured plans if nobody took them.
  std::atomic<int> state{Planning};
  void* complexPlan = nullptr;
  void* realPlan = nullptr;
  bool saveFailed = false;
};

namespace {

// FFTW's planner and its wisdom are process-wide and not thread-safe: every
// planner call (planning, destroying a plan, importing or exporting wisdom)
// holds this. Only running a plan needs no lock. Never destroyed, like the
// string below: nothing may vanish under the planner thread while the
// process exits.
std::mutex& plannerMutex() {
  static auto* mutex = new std::mutex;
  return *mutex;
}
// The wisdom file read into the planner, so that each file is read once.
std::string& loadedWisdomPath() {
  static auto* path = new std::string;
  return *path;
}

// Plans given up while the planner was busy. Whoever holds the planner lock
// destroys them as it lets go, so that a destructor never waits behind a
// measurement of over a second.
std::mutex& retiredMutex() {
  static auto* mutex = new std::mutex;
  return *mutex;
}
std::vector<fftwf_plan>& retiredPlans() {
  static auto* plans = new std::vector<fftwf_plan>;
  return *plans;
}

// Holds the planner; on release, destroys the retired plans first. A plan
// retired just after that is caught by the check after unlocking (or by the
// next holder, if there is one by then).
class PlannerLock {
 public:
  PlannerLock() : owns_(true) { plannerMutex().lock(); }
  explicit PlannerLock(std::try_to_lock_t) : owns_(plannerMutex().try_lock()) {}
  ~PlannerLock() {
    if (!owns_) return;
    for (;;) {
      std::vector<fftwf_plan> plans;
      {
        std::lock_guard<std::mutex> lock(retiredMutex());
        plans.swap(retiredPlans());
      }
      for (fftwf_plan plan : plans) fftwf_destroy_plan(plan);
      plannerMutex().unlock();
      {
        std::lock_guard<std::mutex> lock(retiredMutex());
        if (retiredPlans().empty()) return;
      }
      if (!plannerMutex().try_lock()) return;  // its holder destroys them
    }
  }
  PlannerLock(const PlannerLock&) = delete;
  PlannerLock& operator=(const PlannerLock&) = delete;
  bool owns() const { return owns_; }

 private:
  bool owns_;
};

// Destroys the plans now if the planner is free, else as soon as its holder
// lets go. Never waits.
void retirePlans(std::initializer_list<void*> plans) {
  {
    std::lock_guard<std::mutex> lock(retiredMutex());
    for (void* plan : plans) {
      if (plan) retiredPlans().push_back(static_cast<fftwf_plan>(plan));
    }
  }
  PlannerLock lock(std::try_to_lock);
}

constexpr char kWisdomMagic[] = "quillon-fftwf-wisdom";

uint64_t fnv1a(const std::string& text) {
  uint64_t hash = 1469598103934665603ull;
  for (unsigned char c : text) {
    hash ^= c;
    hash *= 1099511628211ull;
  }
  return hash;
}

// The wisdom file is our header line "<magic> <fnv1a hex> <length>" and then
// FFTW's own text. The header lets a truncated or scribbled-over file be
// recognised and ignored (we simply plan again) instead of being fed to FFTW.
void loadWisdom(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return;
  std::string magic;
  std::string hashText;
  size_t length = 0;
  in >> magic >> hashText >> length;
  if (!in || magic != kWisdomMagic || in.get() != '\n' || length > (16u << 20)) {
    Log("Ignoring damaged FFT wisdom in %s", path.c_str());
    return;
  }
  std::string text(length, '\0');
  in.read(text.data(), static_cast<std::streamsize>(length));
  char expected[32];
  snprintf(expected, sizeof expected, "%016llx", static_cast<unsigned long long>(fnv1a(text)));
  if (!in || in.gcount() != static_cast<std::streamsize>(length) || hashText != expected ||
      !fftwf_import_wisdom_from_string(text.c_str())) {
    Log("Ignoring damaged FFT wisdom in %s", path.c_str());
  }
}

// Written to a temporary file and renamed, so that a reader never sees half a
// file. Logs nothing (the planner thread calls it too, possibly while the
// process exits): false when the file could not be written.
bool saveWisdom(const std::string& path) {
  char* exported = fftwf_export_wisdom_to_string();
  if (!exported) return false;
  const std::string text = exported;
  fftwf_free(exported);

  const size_t slash = path.rfind('/');
  if (slash != std::string::npos && slash > 0 && !makeDirectories(path.substr(0, slash))) {
    return false;
  }
  const std::string temporary = path + ".tmp." + std::to_string(getpid());
  FILE* file = fopen(temporary.c_str(), "wb");
  if (!file) return false;
  bool ok = fprintf(file, "%s %016llx %zu\n", kWisdomMagic,
                    static_cast<unsigned long long>(fnv1a(text)), text.size()) > 0 &&
            fwrite(text.data(), 1, text.size(), file) == text.size();
  ok = fflush(file) == 0 && ok;
  ok = fclose(file) == 0 && ok;
  if (!ok || rename(temporary.c_str(), path.c_str()) != 0) {
    unlink(temporary.c_str());
    return false;
  }
  return true;
}

fftwf_plan planFor(unsigned kind, const SplitComplex& data, int length, unsigned flags) {
  fftwf_iodim dim{length, 1, 1};
  if (kind == FFT::Complex) {
    // FFTW's split interface is always forward for (real, imaginary).
    return fftwf_plan_guru_split_dft(1, &dim, 0, nullptr, data.realp, data.imagp, data.realp,
                                     data.imagp, flags);
  }
  return fftwf_plan_guru_split_dft_r2c(1, &dim, 0, nullptr, data.realp, data.realp, data.imagp,
                                       flags);
}

// Makes the measured plans of one setup, on the planner thread. Also when
// the setup is gone by now: the wisdom is what the next start needs.
void measure(MeasuredPlans& job) {
  PlannerLock lock;
  const SplitComplex data = job.scratch->split();
  fftwf_plan plans[2] = {};
  bool learned = false;
  bool failed = false;
  for (unsigned kind : {FFT::Complex, FFT::RealInput}) {
    if (!(job.kinds & kind)) continue;
    // Another setup of the same length may have measured it meanwhile.
    fftwf_plan plan = planFor(kind, data, job.length, FFTW_MEASURE | FFTW_WISDOM_ONLY);
    if (!plan) {
      plan = planFor(kind, data, job.length, FFTW_MEASURE);
      learned = learned || plan != nullptr;
    }
    failed = failed || !plan;
    plans[kind == FFT::Complex ? 0 : 1] = plan;
  }
  if (learned) job.saveFailed = !saveWisdom(job.wisdomPath);
  if (failed) {
    // All or nothing; the owner keeps its quick plans and logs it.
    for (fftwf_plan& plan : plans) {
      if (plan) fftwf_destroy_plan(plan);
      plan = nullptr;
    }
  }
  job.complexPlan = plans[0];
  job.realPlan = plans[1];
  int expected = MeasuredPlans::Planning;
  if (!job.state.compare_exchange_strong(expected, MeasuredPlans::Done,
                                         std::memory_order_acq_rel)) {
    // The owner went away meanwhile: nobody else will destroy these.
    for (fftwf_plan plan : plans) {
      if (plan) fftwf_destroy_plan(plan);
    }
  }
}

// One thread, started when there is something to measure and ending when
// there is nothing left, measures one setup after another (the planner runs
// one call at a time anyway).
class BackgroundPlanner {
 public:
  static BackgroundPlanner& shared() {
    static BackgroundPlanner planner;
    return planner;
  }

  // False when no thread could be started (the setup keeps its quick plans).
  bool submit(std::shared_ptr<MeasuredPlans> job) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (closing_) return false;
    queue_.push_back(std::move(job));
    if (running_) return true;
    // The last thread has left its loop; reap it before starting the next.
    if (thread_.joinable()) thread_.join();
    try {
      thread_ = std::thread([this] { run(); });
    } catch (const std::system_error&) {
      queue_.pop_back();
      return false;
    }
    running_ = true;
    return true;
  }

  // At exit: the measurements handed over are finished, so that their
  // wisdom is saved whole and no planner call runs on while the process
  // tears down. In practice that is the one of a first start cut short.
  ~BackgroundPlanner() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      closing_ = true;
    }
    if (thread_.joinable()) thread_.join();
  }

 private:
  BackgroundPlanner() = default;

  void run() {
    setCurrentThreadName("fft-planner");
    // Background work: on a busy machine the window's first frames come
    // first (nice is per thread on Linux). Not the lowest priority, which
    // could starve the measurement that a process exit waits for.
    setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), 10);
    for (;;) {
      std::shared_ptr<MeasuredPlans> job;
      {
        std::lock_guard<std::mutex> lock(mutex_);
        if (queue_.empty()) {
          running_ = false;
          return;
        }
        job = std::move(queue_.front());
        queue_.pop_front();
      }
      measure(*job);
    }
  }

  std::mutex mutex_;
  std::deque<std::shared_ptr<MeasuredPlans>> queue_;
  std::thread thread_;
  bool running_ = false;
  bool closing_ = false;
};

}  // namespace

std::unique_ptr<SplitComplexArray> SplitComplexArray::create(int length) {
  if (length <= 0) return nullptr;
  const size_t count = 2 * static_cast<size_t>(length);
  auto* block = static_cast<float*>(fftwf_malloc(count * sizeof(float)));
  if (!block) return nullptr;
  memset(block, 0, count * sizeof(float));
  return std::unique_ptr<SplitComplexArray>(new SplitComplexArray(block, length));
}

SplitComplexArray::~SplitComplexArray() {
  fftwf_free(realp_);
}

std::string FFT::wisdomPath() {
  return stringByAppendingPathComponent(cacheDirectory(), "fftwf-wisdom");
}

std::unique_ptr<FFT> FFT::createSetup(int log2n, unsigned kinds, Planning planning) {
  if (log2n < 1 || log2n > 30 || (kinds & (Complex | RealInput)) == 0) return nullptr;
  std::unique_ptr<FFT> setup(new FFT());
  setup->log2n_ = log2n;
  setup->length_ = 1 << log2n;

  // Plans are made on scratch arrays of the same layout as the callers' (one
  // block, imaginary half right after the real half); measuring overwrites them.
  auto scratch = SplitComplexArray::create(setup->length_);
  if (!scratch) return nullptr;
  const SplitComplex data = scratch->split();
  setup->alignment_ = fftwf_alignment_of(data.realp);

  const std::string path = wisdomPath();
  unsigned deferred = 0;  // kinds on quick plans, to be measured in the background
  {
    PlannerLock lock;
    const bool wise = planning != Planning::Estimated;
    if (wise && loadedWisdomPath() != path) {
      loadWisdom(path);
      loadedWisdomPath() = path;
    }
    bool learned = false;
    for (unsigned kind : {Complex, RealInput}) {
      if (!(kinds & kind)) continue;
      fftwf_plan plan = nullptr;
      if (wise) plan = planFor(kind, data, setup->length_, FFTW_MEASURE | FFTW_WISDOM_ONLY);
      if (!plan && planning == Planning::Measured) {
        plan = planFor(kind, data, setup->length_, FFTW_MEASURE);
        learned = plan != nullptr;
      } else if (!plan) {
        // FFTW_ESTIMATE leaves the arrays alone: the scratch stays usable.
        plan = planFor(kind, data, setup->length_, FFTW_ESTIMATE);
        if (planning == Planning::Background) deferred |= kind;
      }
      if (!plan) {
        Log("Cannot plan an FFT of %d points", setup->length_);
        return nullptr;  // the destructor retires the plans made so far
      }
      (kind == Complex ? setup->complexPlan_ : setup->realPlan_) = plan;
    }
    if (learned && !saveWisdom(path)) Log("Cannot save FFT wisdom to %s", path.c_str());
  }

  if (deferred) {
    auto job = std::make_shared<MeasuredPlans>();
    job->kinds = deferred;
    job->length = setup->length_;
    job->wisdomPath = path;
    job->scratch = std::move(scratch);
    if (BackgroundPlanner::shared().submit(job)) setup->pending_ = std::move(job);
  }
  return setup;
}

bool FFT::adoptMeasuredPlans() {
  if (!pending_) return true;
  if (pending_->state.load(std::memory_order_acquire) != MeasuredPlans::Done) return false;
  // Destroying the quick plans is a planner call; the planner may be busy
  // with another setup's measurement for a second.
  PlannerLock lock(std::try_to_lock);
  if (!lock.owns()) return false;
  if (pending_->complexPlan) {
    fftwf_destroy_plan(static_cast<fftwf_plan>(complexPlan_));
    complexPlan_ = pending_->complexPlan;
  }
  if (pending_->realPlan) {
    fftwf_destroy_plan(static_cast<fftwf_plan>(realPlan_));
    realPlan_ = pending_->realPlan;
  }
  if (!pending_->complexPlan && !pending_->realPlan) {
    Log("Cannot measure an FFT of %d points; the estimated plan stays", length_);
  }
  if (pending_->saveFailed) Log("Cannot save FFT wisdom to %s", pending_->wisdomPath.c_str());
  pending_.reset();
  return true;
}

void FFT::forgetWisdom() {
  PlannerLock lock;
  fftwf_forget_wisdom();
  loadedWisdomPath().clear();
}

FFT::~FFT() {
  if (pending_ && pending_->state.exchange(MeasuredPlans::Abandoned, std::memory_order_acq_rel) ==
                      MeasuredPlans::Done) {
    retirePlans({pending_->complexPlan, pending_->realPlan});
  }
  retirePlans({complexPlan_, realPlan_});
}

void FFT::zip(const SplitComplex& data, int log2n) const {
  QUILLON_ASSERT(complexPlan_ && log2n == log2n_ && data.imagp == data.realp + length_ &&
                     fftwf_alignment_of(data.realp) == alignment_,
                 this, "platform/FFT", "Split arrays do not match the FFT setup");
  fftwf_execute_split_dft(static_cast<fftwf_plan>(complexPlan_), data.realp, data.imagp, data.realp,
                          data.imagp);
}

void FFT::zipRealInput(const SplitComplex& data, int log2n) const {
  QUILLON_ASSERT(realPlan_ && log2n == log2n_ && data.imagp == data.realp + length_ &&
                     fftwf_alignment_of(data.realp) == alignment_,
                 this, "platform/FFT", "Split arrays do not match the FFT setup");
  fftwf_execute_split_dft_r2c(static_cast<fftwf_plan>(realPlan_), data.realp, data.realp,
                              data.imagp);
}

}  // namespace platform
