#pragma once
// Our declarations of the FMOD Studio DSP plug-in interface, plug-in SDK
// version 110: the records and callback types the adapters and the test host
// use, binary-compatible with the host on x86-64 Linux and 64-bit Windows.
// Enums are declared as int, FMOD_BOOL as int: every one of them is 4 bytes.

#include <cstddef>
#include <cstdint>

#if defined(_WIN32) || defined(__CYGWIN__)
#define F_CALL __stdcall
#define F_EXPORT __declspec(dllexport)
#else
#define F_CALL
#define F_EXPORT __attribute__((visibility("default")))
#endif

extern "C" {

typedef int FMOD_RESULT;
typedef int FMOD_BOOL;
typedef unsigned int FMOD_CHANNELMASK;
typedef unsigned int FMOD_MEMORY_TYPE;
typedef int FMOD_SPEAKERMODE;
typedef int FMOD_DSP_PROCESS_OPERATION;
typedef int FMOD_DSP_PARAMETER_TYPE;
typedef int FMOD_DSP_PARAMETER_FLOAT_MAPPING_TYPE;

enum : int {
  FMOD_OK = 0,
  FMOD_ERR_DSP_DONTPROCESS = 6,
  FMOD_ERR_DSP_SILENCE = 11,
  FMOD_ERR_INVALID_PARAM = 31,
  FMOD_ERR_MEMORY = 38,
  FMOD_ERR_PLUGIN = 53,
  FMOD_ERR_PLUGIN_VERSION = 56,
};

enum : unsigned int { FMOD_PLUGIN_SDK_VERSION = 110 };
enum : int { FMOD_DSP_PROCESS_PERFORM = 0, FMOD_DSP_PROCESS_QUERY = 1 };
enum : int {
  FMOD_SPEAKERMODE_DEFAULT = 0,
  FMOD_SPEAKERMODE_RAW = 1,
  FMOD_SPEAKERMODE_MONO = 2,
  FMOD_SPEAKERMODE_STEREO = 3,
  FMOD_SPEAKERMODE_QUAD = 4,
  FMOD_SPEAKERMODE_SURROUND = 5,
  FMOD_SPEAKERMODE_5POINT1 = 6,
  FMOD_SPEAKERMODE_7POINT1 = 7,
};
enum : unsigned int { FMOD_MEMORY_NORMAL = 0 };
enum : int {
  FMOD_DSP_PARAMETER_TYPE_FLOAT = 0,
  FMOD_DSP_PARAMETER_TYPE_INT = 1,
  FMOD_DSP_PARAMETER_TYPE_BOOL = 2,
  FMOD_DSP_PARAMETER_TYPE_DATA = 3,
};
enum : int {
  FMOD_DSP_PARAMETER_FLOAT_MAPPING_TYPE_LINEAR = 0,
  FMOD_DSP_PARAMETER_FLOAT_MAPPING_TYPE_AUTO = 1,
  FMOD_DSP_PARAMETER_FLOAT_MAPPING_TYPE_PIECEWISE_LINEAR = 2,
};
enum : int { FMOD_DSP_GETPARAM_VALUESTR_LENGTH = 32 };

struct FMOD_DSP_STATE;
struct FMOD_DSP_BUFFER_ARRAY;

typedef void* (F_CALL* FMOD_DSP_ALLOC_FUNC)(unsigned int size, FMOD_MEMORY_TYPE type,
                                             const char* sourcestr);
typedef void* (F_CALL* FMOD_DSP_REALLOC_FUNC)(void* ptr, unsigned int size,
                                               FMOD_MEMORY_TYPE type, const char* sourcestr);
typedef void(F_CALL* FMOD_DSP_FREE_FUNC)(void* ptr, FMOD_MEMORY_TYPE type, const char* sourcestr);
typedef FMOD_RESULT(F_CALL* FMOD_DSP_GETSAMPLERATE_FUNC)(FMOD_DSP_STATE* state, int* rate);

// Host services; the adapters use alloc, free and getsamplerate. The others
// are kept as opaque slots: only their count and order matter.
struct FMOD_DSP_STATE_FUNCTIONS {
  FMOD_DSP_ALLOC_FUNC alloc;
  FMOD_DSP_REALLOC_FUNC realloc;
  FMOD_DSP_FREE_FUNC free;
  FMOD_DSP_GETSAMPLERATE_FUNC getsamplerate;
  void* getblocksize;
  void* dft;
  void* pan;
  void* getspeakermode;
  void* getclock;
  void* getlistenerattributes;
  void* log;
  void* getuserdata;
};

struct FMOD_DSP_STATE {
  void* instance;
  void* plugindata;
  FMOD_CHANNELMASK channelmask;
  FMOD_SPEAKERMODE source_speakermode;
  float* sidechaindata;
  int sidechainchannels;
  FMOD_DSP_STATE_FUNCTIONS* functions;
  int systemobject;
};

struct FMOD_DSP_BUFFER_ARRAY {
  int numbuffers;
  int* buffernumchannels;
  FMOD_CHANNELMASK* bufferchannelmask;
  float** buffers;
  FMOD_SPEAKERMODE speakermode;
};

struct FMOD_DSP_PARAMETER_FLOAT_MAPPING_PIECEWISE_LINEAR {
  int numpoints;
  float* pointparamvalues;
  float* pointpositions;
};

struct FMOD_DSP_PARAMETER_FLOAT_MAPPING {
  FMOD_DSP_PARAMETER_FLOAT_MAPPING_TYPE type;
  FMOD_DSP_PARAMETER_FLOAT_MAPPING_PIECEWISE_LINEAR piecewiselinearmapping;
};

struct FMOD_DSP_PARAMETER_DESC_FLOAT {
  float min, max, defaultval;
  FMOD_DSP_PARAMETER_FLOAT_MAPPING mapping;
};

struct FMOD_DSP_PARAMETER_DESC_INT {
  int min, max, defaultval;
  FMOD_BOOL goestoinf;
  const char* const* valuenames;
};

struct FMOD_DSP_PARAMETER_DESC_BOOL {
  FMOD_BOOL defaultval;
  const char* const* valuenames;
};

struct FMOD_DSP_PARAMETER_DESC_DATA {
  int datatype;
};

struct FMOD_DSP_PARAMETER_DESC {
  FMOD_DSP_PARAMETER_TYPE type;
  char name[16];
  char label[16];
  const char* description;
  union {
    FMOD_DSP_PARAMETER_DESC_FLOAT floatdesc;
    FMOD_DSP_PARAMETER_DESC_INT intdesc;
    FMOD_DSP_PARAMETER_DESC_BOOL booldesc;
    FMOD_DSP_PARAMETER_DESC_DATA datadesc;
  };
};

typedef FMOD_RESULT(F_CALL* FMOD_DSP_CREATE_CALLBACK)(FMOD_DSP_STATE* state);
typedef FMOD_RESULT(F_CALL* FMOD_DSP_RELEASE_CALLBACK)(FMOD_DSP_STATE* state);
typedef FMOD_RESULT(F_CALL* FMOD_DSP_RESET_CALLBACK)(FMOD_DSP_STATE* state);
typedef FMOD_RESULT(F_CALL* FMOD_DSP_READ_CALLBACK)(FMOD_DSP_STATE* state, float* inbuffer,
                                                    float* outbuffer, unsigned int length,
                                                    int inchannels, int* outchannels);
typedef FMOD_RESULT(F_CALL* FMOD_DSP_PROCESS_CALLBACK)(FMOD_DSP_STATE* state, unsigned int length,
                                                       const FMOD_DSP_BUFFER_ARRAY* inbufferarray,
                                                       FMOD_DSP_BUFFER_ARRAY* outbufferarray,
                                                       FMOD_BOOL inputsidle,
                                                       FMOD_DSP_PROCESS_OPERATION op);
typedef FMOD_RESULT(F_CALL* FMOD_DSP_SETPOSITION_CALLBACK)(FMOD_DSP_STATE* state,
                                                           unsigned int pos);
typedef FMOD_RESULT(F_CALL* FMOD_DSP_SETPARAM_FLOAT_CALLBACK)(FMOD_DSP_STATE* state, int index,
                                                              float value);
typedef FMOD_RESULT(F_CALL* FMOD_DSP_SETPARAM_INT_CALLBACK)(FMOD_DSP_STATE* state, int index,
                                                            int value);
typedef FMOD_RESULT(F_CALL* FMOD_DSP_SETPARAM_BOOL_CALLBACK)(FMOD_DSP_STATE* state, int index,
                                                             FMOD_BOOL value);
typedef FMOD_RESULT(F_CALL* FMOD_DSP_SETPARAM_DATA_CALLBACK)(FMOD_DSP_STATE* state, int index,
                                                             void* data, unsigned int length);
typedef FMOD_RESULT(F_CALL* FMOD_DSP_GETPARAM_FLOAT_CALLBACK)(FMOD_DSP_STATE* state, int index,
                                                              float* value, char* valuestr);
typedef FMOD_RESULT(F_CALL* FMOD_DSP_GETPARAM_INT_CALLBACK)(FMOD_DSP_STATE* state, int index,
                                                            int* value, char* valuestr);
typedef FMOD_RESULT(F_CALL* FMOD_DSP_GETPARAM_BOOL_CALLBACK)(FMOD_DSP_STATE* state, int index,
                                                             FMOD_BOOL* value, char* valuestr);
typedef FMOD_RESULT(F_CALL* FMOD_DSP_GETPARAM_DATA_CALLBACK)(FMOD_DSP_STATE* state, int index,
                                                             void** data, unsigned int* length,
                                                             char* valuestr);
typedef FMOD_RESULT(F_CALL* FMOD_DSP_SHOULDIPROCESS_CALLBACK)(FMOD_DSP_STATE* state,
                                                              FMOD_BOOL inputsidle,
                                                              unsigned int length,
                                                              FMOD_CHANNELMASK inmask,
                                                              int inchannels,
                                                              FMOD_SPEAKERMODE speakermode);
typedef FMOD_RESULT(F_CALL* FMOD_DSP_SYSTEM_REGISTER_CALLBACK)(FMOD_DSP_STATE* state);
typedef FMOD_RESULT(F_CALL* FMOD_DSP_SYSTEM_DEREGISTER_CALLBACK)(FMOD_DSP_STATE* state);
typedef FMOD_RESULT(F_CALL* FMOD_DSP_SYSTEM_MIX_CALLBACK)(FMOD_DSP_STATE* state, int stage);

struct FMOD_DSP_DESCRIPTION {
  unsigned int pluginsdkversion;
  char name[32];
  unsigned int version;
  int numinputbuffers;
  int numoutputbuffers;
  FMOD_DSP_CREATE_CALLBACK create;
  FMOD_DSP_RELEASE_CALLBACK release;
  FMOD_DSP_RESET_CALLBACK reset;
  FMOD_DSP_READ_CALLBACK read;
  FMOD_DSP_PROCESS_CALLBACK process;
  FMOD_DSP_SETPOSITION_CALLBACK setposition;
  int numparameters;
  FMOD_DSP_PARAMETER_DESC** paramdesc;
  FMOD_DSP_SETPARAM_FLOAT_CALLBACK setparameterfloat;
  FMOD_DSP_SETPARAM_INT_CALLBACK setparameterint;
  FMOD_DSP_SETPARAM_BOOL_CALLBACK setparameterbool;
  FMOD_DSP_SETPARAM_DATA_CALLBACK setparameterdata;
  FMOD_DSP_GETPARAM_FLOAT_CALLBACK getparameterfloat;
  FMOD_DSP_GETPARAM_INT_CALLBACK getparameterint;
  FMOD_DSP_GETPARAM_BOOL_CALLBACK getparameterbool;
  FMOD_DSP_GETPARAM_DATA_CALLBACK getparameterdata;
  FMOD_DSP_SHOULDIPROCESS_CALLBACK shouldiprocess;
  void* userdata;
  FMOD_DSP_SYSTEM_REGISTER_CALLBACK sys_register;
  FMOD_DSP_SYSTEM_DEREGISTER_CALLBACK sys_deregister;
  FMOD_DSP_SYSTEM_MIX_CALLBACK sys_mix;
};

typedef FMOD_DSP_DESCRIPTION*(F_CALL* FMOD_GET_DSP_DESCRIPTION_FUNC)();

}  // extern "C"

// Layout checks for 64-bit targets (x86-64 System V and x64 Windows agree).
#if UINTPTR_MAX == 0xFFFFFFFFFFFFFFFFu
static_assert(sizeof(FMOD_BOOL) == 4 && sizeof(FMOD_SPEAKERMODE) == 4 &&
              sizeof(FMOD_RESULT) == 4 && sizeof(FMOD_CHANNELMASK) == 4);
static_assert(sizeof(FMOD_DSP_DESCRIPTION) == 216 && alignof(FMOD_DSP_DESCRIPTION) == 8);
static_assert(offsetof(FMOD_DSP_DESCRIPTION, name) == 4);
static_assert(offsetof(FMOD_DSP_DESCRIPTION, version) == 36);
static_assert(offsetof(FMOD_DSP_DESCRIPTION, create) == 48);
static_assert(offsetof(FMOD_DSP_DESCRIPTION, process) == 80);
static_assert(offsetof(FMOD_DSP_DESCRIPTION, numparameters) == 96);
static_assert(offsetof(FMOD_DSP_DESCRIPTION, paramdesc) == 104);
static_assert(offsetof(FMOD_DSP_DESCRIPTION, setparameterfloat) == 112);
static_assert(offsetof(FMOD_DSP_DESCRIPTION, getparameterfloat) == 144);
static_assert(offsetof(FMOD_DSP_DESCRIPTION, shouldiprocess) == 176);
static_assert(offsetof(FMOD_DSP_DESCRIPTION, userdata) == 184);
static_assert(offsetof(FMOD_DSP_DESCRIPTION, sys_mix) == 208);
static_assert(sizeof(FMOD_DSP_STATE) == 56);
static_assert(offsetof(FMOD_DSP_STATE, plugindata) == 8);
static_assert(offsetof(FMOD_DSP_STATE, sidechaindata) == 24);
static_assert(offsetof(FMOD_DSP_STATE, functions) == 40);
static_assert(offsetof(FMOD_DSP_STATE, systemobject) == 48);
static_assert(sizeof(FMOD_DSP_STATE_FUNCTIONS) == 96);
static_assert(offsetof(FMOD_DSP_STATE_FUNCTIONS, alloc) == 0);
static_assert(offsetof(FMOD_DSP_STATE_FUNCTIONS, free) == 16);
static_assert(offsetof(FMOD_DSP_STATE_FUNCTIONS, getsamplerate) == 24);
static_assert(sizeof(FMOD_DSP_BUFFER_ARRAY) == 40);
static_assert(offsetof(FMOD_DSP_BUFFER_ARRAY, buffernumchannels) == 8);
static_assert(offsetof(FMOD_DSP_BUFFER_ARRAY, buffers) == 24);
static_assert(offsetof(FMOD_DSP_BUFFER_ARRAY, speakermode) == 32);
static_assert(sizeof(FMOD_DSP_PARAMETER_FLOAT_MAPPING_PIECEWISE_LINEAR) == 24);
static_assert(sizeof(FMOD_DSP_PARAMETER_FLOAT_MAPPING) == 32);
static_assert(sizeof(FMOD_DSP_PARAMETER_DESC_FLOAT) == 48);
static_assert(sizeof(FMOD_DSP_PARAMETER_DESC_INT) == 24);
static_assert(sizeof(FMOD_DSP_PARAMETER_DESC_BOOL) == 16);
static_assert(sizeof(FMOD_DSP_PARAMETER_DESC) == 96);
static_assert(offsetof(FMOD_DSP_PARAMETER_DESC, name) == 4);
static_assert(offsetof(FMOD_DSP_PARAMETER_DESC, label) == 20);
static_assert(offsetof(FMOD_DSP_PARAMETER_DESC, description) == 40);
static_assert(offsetof(FMOD_DSP_PARAMETER_DESC, floatdesc) == 48);
static_assert(offsetof(FMOD_DSP_PARAMETER_DESC, intdesc) + offsetof(FMOD_DSP_PARAMETER_DESC_INT,
                                                                     valuenames) ==
              64);
static_assert(offsetof(FMOD_DSP_PARAMETER_DESC, floatdesc) +
                  offsetof(FMOD_DSP_PARAMETER_DESC_FLOAT, mapping) == 64);
#endif
