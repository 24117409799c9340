/* A library with "GetHandlerProperty" but without "CreateObject". */
#ifdef _WIN32
#define SZ_EXPORT __declspec(dllexport)
#else
#define SZ_EXPORT __attribute__((visibility("default")))
#endif

SZ_EXPORT int GetHandlerProperty(unsigned propID, void* value) {
  (void)propID;
  (void)value;
  return 0;
}
