/* A library with "CreateObject" but without "GetHandlerProperty". */
#ifdef _WIN32
#define SZ_EXPORT __declspec(dllexport)
#else
#define SZ_EXPORT __attribute__((visibility("default")))
#endif

SZ_EXPORT int CreateObject(const void* clsid, const void* iid, void** obj) {
  (void)clsid;
  (void)iid;
  *obj = 0;
  return (int)0x80004005u;
}
