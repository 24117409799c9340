#pragma once
// Binding to the 7-Zip codec library (7z.dll; Debian's 7z.so on Linux):
// loads it, makes its archive readers, feeds them files and answers their
// callbacks. Failures raise EFailure carrying only a message.
#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "base/failure.h"
#include "sevenzip/sevenzip_com.h"

// Format readers of the library.
inline constexpr TGUID IsoFormatClassID = MakeGUID("23170F69-40C1-278A-1000-000110E70000");
inline constexpr TGUID UdfFormatClassID = MakeGUID("23170F69-40C1-278A-1000-000110E00000");

inline constexpr TGUID IID_I7zInArchive = MakeGUID("022CF785-3ECE-46EF-9755-291FA84CC6C9");

// Furthest start position at which a reader looks for its format's signature.
inline constexpr int64_t MaxCheckStart = 1048576;

// Callbacks of the caller: plain routines; sender comes back as given.
using T7zProgressCallback = THResult (*)(void* sender, bool total, int64_t value);

class TReadBack;
class TFlushQueue;

// The binding's own interface; operations raise EFailure.
struct I7zInArchive : SevenZip::IUnknown {
  virtual void SZ_STDCALL OpenArchiveFile(const std::wstring& fileName) = 0;
  virtual void SZ_STDCALL CloseArchive() = 0;
  virtual uint32_t SZ_STDCALL ItemCount() = 0;
  virtual std::wstring SZ_STDCALL ItemPath(uint32_t index) = 0;
  virtual bool SZ_STDCALL ItemIsFolder(uint32_t index) = 0;
  virtual TComPtr<SevenZip::IInArchive> SZ_STDCALL InArchive() = 0;
  virtual void SZ_STDCALL ExtractToFolder(const std::wstring& folder) = 0;
  virtual void SZ_STDCALL SetProgressHandler(void* sender, T7zProgressCallback callback) = 0;
  // The item's size; 0 when unknown.
  virtual uint64_t SZ_STDCALL ItemSize64(uint32_t index) = 0;
  // The opened image's kpidErrorFlags (0 when the reader reports none), with
  // UnexpectedEnd added when the size the image claims passes the end of the
  // file, as 7-Zip's own programs judge a cut-short image.
  virtual uint32_t SZ_STDCALL ArchiveErrorFlags() = 0;
  // ExtractToFolder writes this item to `target` (a file path) instead of
  // below the folder; an empty target undoes it. Kept until CloseArchive.
  virtual void SZ_STDCALL SetItemTarget(uint32_t index, const std::wstring& target) = 0;
  // Reads the image as ExtractToFolder would (same folder, same item targets,
  // same progress) but compares each item with the file it would write,
  // read back from the drive past the system's cache. Stops at the first
  // file that differs, is shorter or longer, is missing or cannot be read,
  // raising EVerifyFailure (read_back.h) naming it; an item the image cannot
  // give raises EFailure as extracting it would.
  virtual void SZ_STDCALL VerifyFolder(const std::wstring& folder) = 0;
  // ExtractToFolder and VerifyFolder read past this item: nothing written or
  // compared. Kept until CloseArchive.
  virtual void SZ_STDCALL LeaveOutItem(uint32_t index) = 0;
  // ExtractToFolder flushes each file through its own handle before closing
  // it (beside the writing of the next), for a volume that cannot be flushed
  // as a whole. FlushedFiles names them; UnflushedFile is the first whose
  // flush failed (empty: none).
  virtual void SZ_STDCALL SetFlushWrittenFiles(bool flush) = 0;
  virtual const std::vector<std::wstring>& SZ_STDCALL FlushedFiles() = 0;
  virtual const std::wstring& SZ_STDCALL UnflushedFile() = 0;

protected:
  ~I7zInArchive() = default;
};

// Raises EFailure with the system's message text for any non-zero code.
void CheckResult(THResult code);
// The system's message text for a code, trailing blanks, controls and full
// stops cut off.
std::wstring ResultMessage(THResult code);

// Whether an item path stays inside the folder it is joined to: no drive,
// no leading separator, no part made of dots (with '\\' as delimiter, the
// Windows rules: both separators count and colons are refused).
bool IsItemPathInside(const std::wstring& path, wchar_t delimiter);

// One load of the library, owned by the object.
class TLibraryHandle {
public:
  TLibraryHandle() = default;
  explicit TLibraryHandle(void* handle) noexcept : FHandle(handle) {}
  TLibraryHandle(const TLibraryHandle&) = delete;
  TLibraryHandle& operator=(const TLibraryHandle&) = delete;
  ~TLibraryHandle();
  void* Get() const noexcept { return FHandle; }

private:
  void* FHandle = nullptr;
};

// A loaded codec library, shared by the readers made from it: one load serves
// a whole burn.
class T7zLibrary {
public:
  using TCreateObjectFunc = THResult(SZ_STDCALL*)(const TGUID* clsid, const TGUID* iid, void** obj);

  // Raises when `lib` cannot be loaded or is not one of 7-Zip's format libraries.
  explicit T7zLibrary(const std::wstring& lib);
  T7zLibrary(const T7zLibrary&) = delete;
  T7zLibrary& operator=(const T7zLibrary&) = delete;
  // Raises for a negative code.
  void CreateObject(const TGUID& clsid, const TGUID& iid, void** obj);
  // System strings of the library's allocator (oleaut32 on Windows).
  SevenZip::TBStr AllocSysString(const std::wstring& text);
  void FreeSysString(SevenZip::TBStr text) noexcept;
  // Frees a received variant's string and empties it.
  void ClearVariant(SevenZip::TPropVariant& value) noexcept;

private:
  TLibraryHandle FHandle;
  TCreateObjectFunc FCreateObject = nullptr;
};

// The program's library, "7z.dll", loaded anew.
std::shared_ptr<T7zLibrary> LoadCodecLibrary();

// One archive reader of the library, and the callbacks it is answered with.
class T7zInArchive : public TInterfacedObject,
                     public SevenZip::IArchiveExtractCallback,
                     public SevenZip::IArchiveOpenCallback,
                     public I7zInArchive {
public:
  // A reader of a library loaded for it alone, or of a shared one.
  explicit T7zInArchive(const std::wstring& lib);
  explicit T7zInArchive(std::shared_ptr<T7zLibrary> library);
  ~T7zInArchive() override;
  void SetClassID(const TGUID& classID) noexcept { FClassId = classID; }
  T7zLibrary& Library() noexcept { return *FLibrary; }

  SZ_IUNKNOWN_METHODS

  // I7zInArchive
  void SZ_STDCALL OpenArchiveFile(const std::wstring& fileName) override;
  void SZ_STDCALL CloseArchive() override;
  uint32_t SZ_STDCALL ItemCount() override;
  std::wstring SZ_STDCALL ItemPath(uint32_t index) override;
  bool SZ_STDCALL ItemIsFolder(uint32_t index) override;
  TComPtr<SevenZip::IInArchive> SZ_STDCALL InArchive() override;
  void SZ_STDCALL ExtractToFolder(const std::wstring& folder) override;
  void SZ_STDCALL SetProgressHandler(void* sender, T7zProgressCallback callback) override;
  uint64_t SZ_STDCALL ItemSize64(uint32_t index) override;
  uint32_t SZ_STDCALL ArchiveErrorFlags() override;
  void SZ_STDCALL SetItemTarget(uint32_t index, const std::wstring& target) override;
  void SZ_STDCALL VerifyFolder(const std::wstring& folder) override;
  void SZ_STDCALL LeaveOutItem(uint32_t index) override;
  void SZ_STDCALL SetFlushWrittenFiles(bool flush) override { FFlushWritten = flush; }
  const std::vector<std::wstring>& SZ_STDCALL FlushedFiles() override { return FFlushed; }
  const std::wstring& SZ_STDCALL UnflushedFile() override { return FUnflushed; }

  // IProgress (extracting)
  THResult SZ_STDCALL SetTotal(uint64_t total) noexcept override;
  THResult SZ_STDCALL SetCompleted(const uint64_t* completeValue) noexcept override;
  // IArchiveExtractCallback
  THResult SZ_STDCALL GetStream(uint32_t index, SevenZip::ISequentialOutStream** outStream,
                                int32_t askExtractMode) noexcept override;
  THResult SZ_STDCALL PrepareOperation(int32_t askExtractMode) noexcept override;
  THResult SZ_STDCALL SetOperationResult(int32_t opRes) noexcept override;
  // IArchiveOpenCallback (opening)
  THResult SZ_STDCALL SetTotal(const uint64_t* files, const uint64_t* bytes) noexcept override;
  THResult SZ_STDCALL SetCompleted(const uint64_t* files, const uint64_t* bytes) noexcept override;

protected:
  void* FindInterface(const TGUID& iid) noexcept override;
  // The reader an open has made; raises when there is none.
  SevenZip::IInArchive& OpenedReader();
  SevenZip::TPropVariant ReadItemProperty(uint32_t index, uint32_t propID);
  // A numeric archive property; false when the reader gives none.
  bool ReadArchiveNumber(uint32_t propID, uint64_t& number);
  // Every item below `folder` or at its own target, written or (with
  // FReadBack set) compared.
  void ExtractFolder(const std::wstring& folder);
  THResult GetFolderStream(uint32_t index, SevenZip::ISequentialOutStream** outStream);

  std::shared_ptr<T7zLibrary> FLibrary;
  TGUID FClassId{};
  TComPtr<SevenZip::IInArchive> FInArchive;
  T7zProgressCallback FProgressCallback = nullptr;
  void* FProgressSender = nullptr;
  std::wstring FExtractPath;
  std::wstring FMadeFolder;  // the last folder an item was written into
  std::map<uint32_t, std::wstring> FItemTargets;
  std::set<uint32_t> FLeftOut;
  uint64_t FOpenedSize = 0;  // of the file the last open was given
  // While ExtractToFolder runs: the item being written, and the items whose
  // operation result was not OK.
  uint32_t FCurrentItem = 0;
  uint32_t FFailedItems = 0;
  std::wstring FFirstFailedItem;
  TReadBack* FReadBack = nullptr;  // while VerifyFolder runs; never owned
  bool FFlushWritten = false;
  std::unique_ptr<TFlushQueue> FFlushQueue;  // while ExtractToFolder writes with flushing
  std::vector<std::wstring> FFlushed;
  std::wstring FUnflushed;
};

// The program's entry: a reader for a format, of `library` or of "7z.dll" loaded anew.
TComPtr<I7zInArchive> MakeInArchive(const TGUID& classID);
TComPtr<I7zInArchive> MakeInArchive(std::shared_ptr<T7zLibrary> library, const TGUID& classID);
