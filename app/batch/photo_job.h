// One photo from its source file to its resized JPEG file. The start step (on the caller's thread)
// reads the photo's Exif block, shows any note about it and hands the rest to a thread of the
// job's own: load, turn, crop, resampling in the worker's engine job slot, and encoding
// (photo_work.h). Polling with isFinished runs the finishing step on the caller's thread once that
// thread is done: naming and the file counter, the overwrite policy and its question, and the
// write, so that two workers never pick one name and every question comes from one thread.
//
// A photo that cannot be done ends without output and with a report that names the reason: its
// pictures are released, the worker is idle again and the batch goes on. A worker never throws.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "batch/job_wake.h"
#include "batch/photo_job_geometry.h"
#include "batch/photo_work.h"
#include "metadata/photo_metadata.h"
#include "output/run_ledger.h"
#include "settings/target_size.h"

namespace lumivex {

class CExif;

enum class PhotoOutcome { Written, KeptExisting, Failed };

// What became of one photo at one size: the source, and the output written or kept, or why none
// was. A photo made at several sizes gives one report per size; one that failed before any size
// was made gives one report.
struct PhotoReport {
  std::string source;
  PhotoOutcome outcome = PhotoOutcome::Failed;
  std::string outputPath;
  std::string reason;        // why a photo failed
  std::string warning;       // what the decoder complained of when the photo was written anyway
  std::string note;          // anything else the user should know, such as a name changed to stay free
  std::int32_t quality = 0;  // under a file size limit, the JPEG quality chosen; 0 without a limit
  std::string sizeWarning;   // "larger than 300 KB at the lowest quality" when the limit was missed
  // Why the photo's load failed, what failures are counted by; kNone for a failure after the load.
  corvale::LoadCause cause = corvale::LoadCause::kNone;
};

// What the batch loop needs of a photo job; CWorker is the real one.
class PhotoJob {
 public:
  virtual ~PhotoJob();

  // Starts a job on an idle worker; `slot` is also the engine job slot (0..15). A percentage in
  // (0, 1000] scales the photo; otherwise a zero side keeps its size; otherwise the photo is
  // fitted into dstWidth x dstHeight. An empty base folder means the photo's own folder.
  virtual void ResizePicture_Start(std::int32_t slot, const std::string& FileName, std::int32_t dstWidth,
                                   std::int32_t dstHeight, float dstPrcnt,
                                   const std::string& baseDirectory) = 0;

  // The metadata of the photo at `path`, read already by the run; the job's next start of that
  // photo uses it instead of opening the file once more.
  virtual void takeMetadata(const std::string& path, PhotoMetadata metadata) {
    preRead_ = {path, std::move(metadata)};
  }

  // True when every photo the worker was given has ended; the call that finds a photo's work done
  // runs its finishing step first.
  virtual bool isFinished() = 0;

  // True when the worker can start another photo: its last one's work is done, even if that photo
  // still waits for its turn to be named (an earlier photo of the run is still being worked on).
  virtual bool canTakePhoto() { return isFinished(); }

  // The reports of the photos that ended, oldest first, each handed out once: true when there was
  // one to take.
  virtual bool takeReport(PhotoReport& report) = 0;

  std::string FileN;    // the photo of the current or last job; empty before the first
  std::string baseDir;  // the base folder of the current job
  // The sizes after the first that the batch loop asks of every photo it starts; empty for one size.
  std::vector<TargetSize> moreSizes;
  // How many threads the resampling of each photo it starts may use: more than one when the batch
  // holds fewer photos than there are workers, so that one large photo still uses every core.
  std::int32_t threads = 1;
  RunLedger* ledger = nullptr;  // the run's shared record, set by the batch loop for each job
  JobWake* wake = nullptr;      // signalled from the job's thread when its work is done

 protected:
  struct PreReadMetadata {
    std::string path;
    PhotoMetadata metadata;
  };
  std::optional<PreReadMetadata> preRead_;
};

class CWorker : public PhotoJob {
 public:
  using Outcome = PhotoOutcome;
  using Report = PhotoReport;

  CWorker();
  ~CWorker() override;  // waits for a job thread still running
  CWorker(const CWorker&) = delete;
  CWorker& operator=(const CWorker&) = delete;

  void ResizePicture_Start(std::int32_t slot, const std::string& FileName, std::int32_t dstWidth,
                           std::int32_t dstHeight, float dstPrcnt, const std::string& baseDirectory) override;
  bool isFinished() override;
  bool canTakePhoto() override;
  bool takeReport(Report& report) override;

 private:
  // A photo whose work is done: what its finishing step needs, kept apart from the worker's
  // current job so that the worker can start the next photo while this one waits for its turn.
  struct FinishedPhoto {
    std::string source;
    std::string baseDir;
    std::int64_t ticket = -1;
    PhotoWork work;
    std::string note;
    std::vector<std::string> written;  // the outputs of this photo written so far
  };

  PhotoOrder orderFor(std::int32_t dstWidth, std::int32_t dstHeight, float dstPrcnt);
  const corvale::ImageFormat* readMetadata(PhotoOrder& order);
  void takeExif(PhotoOrder& order, std::vector<std::uint8_t> block, bool byExif);
  void startWork(PhotoOrder order);
  void collectDoneWork();
  void finishPhotosInTurn();
  // One size of a finished photo: which output, its folder and the name pattern it is named by.
  struct OutputPlace {
    std::size_t index = 0;
    std::string folder;
    std::string pattern;
  };

  void ResizePicture_Finish(FinishedPhoto& photo);
  std::vector<OutputPlace> placeOutputs(FinishedPhoto& photo);
  void finishOutput(FinishedPhoto& photo, const OutputPlace& place);
  void write(FinishedPhoto& photo, const OutputPlace& place, const std::string& path, bool replacing);
  std::string avoidOwnOutputs(FinishedPhoto& photo, const std::string& path);
  std::string nextOutputPath(FinishedPhoto& photo, const OutputPlace& place, const std::string& folder);
  // The counter of the name pattern: the run's, or the job's own when it runs without one.
  std::int32_t& counter();
  bool applyOverwritePolicy(const std::string& path, bool mayAsk = true);
  void reportOutput(FinishedPhoto& photo, const PhotoOutput* output, Outcome outcome,
                    const std::string& outputPath, const std::string& reason);
  void endPhoto(FinishedPhoto& photo);
  void endJob(FinishedPhoto& photo, Outcome outcome, const std::string& outputPath,
              const std::string& reason);
  CExif& exif();

  bool jobDone_ = true;  // no job thread is working
  std::int32_t ownFileCounter_ = 1;
  std::int64_t ticket_ = -1;           // the run's naming ticket of the current job; -1 without a run
  std::thread thread_;                 // the job's thread while it works; joined once it is done
  std::atomic<bool> workDone_{false};  // set by the job's thread after its last write to work_
  PhotoWork work_;                     // written by the job's thread until workDone_
  std::deque<FinishedPhoto> waiting_;  // done, in start order, waiting for their turn to be named
  std::unique_ptr<CExif> exif_;
  std::deque<Report> reports_;
};

}  // namespace lumivex
