// Preloaded into the player by player_bench, so that a shader save's time to
// the screen can be split into the driver's work and our own without
// touching the player: it wraps the calls a rebuild makes and logs when they
// ran, on the monotonic clock the benchmark reads too.
//
// QUADRELUME_PROBE_LOG names the log. Its lines, times in nanoseconds:
//   open <time>                     a shader file (.ps) is opened for reading
//   compile <start> <end>           glCompileShader
//   link <start> <end>              glLinkProgram
//   draw <start> <end>              the first glDrawArrays of a newly linked program
//   present <start> <end>           the eglSwapBuffers that follows such a draw
#include <EGL/egl.h>
#include <GLES2/gl2.h>
#include <dlfcn.h>
#include <time.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

long long now() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1000000000LL + t.tv_nsec;
}

std::FILE* log() {
    static std::FILE* file = [] {
        const char* path = std::getenv("QUADRELUME_PROBE_LOG");
        return path != nullptr ? std::fopen(path, "a") : nullptr;
    }();
    return file;
}

void record(const char* what, long long start, long long end) {
    if (log() == nullptr) return;
    std::fprintf(log(), "%s %lld %lld\n", what, start, end);
    std::fflush(log());
}

template <typename F>
F next(const char* name) {
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

GLuint lastLinked = 0;      // the newest program, until its first draw
GLuint current = 0;         // the program in use
bool drawnNewProgram = false;  // a new program was drawn; the next swap presents it

}  // namespace

extern "C" {

FILE* fopen(const char* path, const char* mode) {
    static auto real = next<FILE* (*)(const char*, const char*)>("fopen");
    std::size_t length = std::strlen(path);
    if (length > 3 && std::strcmp(path + length - 3, ".ps") == 0) record("open", now(), now());
    return real(path, mode);
}

void glCompileShader(GLuint shader) {
    static auto real = next<void (*)(GLuint)>("glCompileShader");
    long long start = now();
    real(shader);
    record("compile", start, now());
}

void glLinkProgram(GLuint program) {
    static auto real = next<void (*)(GLuint)>("glLinkProgram");
    long long start = now();
    real(program);
    record("link", start, now());
    lastLinked = program;
}

void glUseProgram(GLuint program) {
    static auto real = next<void (*)(GLuint)>("glUseProgram");
    current = program;
    real(program);
}

void glDrawArrays(GLenum mode, GLint first, GLsizei count) {
    static auto real = next<void (*)(GLenum, GLint, GLsizei)>("glDrawArrays");
    if (lastLinked == 0 || current != lastLinked) return real(mode, first, count);
    long long start = now();
    real(mode, first, count);
    record("draw", start, now());
    lastLinked = 0;
    drawnNewProgram = true;
}

EGLBoolean eglSwapBuffers(EGLDisplay display, EGLSurface surface) {
    static auto real = next<EGLBoolean (*)(EGLDisplay, EGLSurface)>("eglSwapBuffers");
    long long start = now();
    EGLBoolean done = real(display, surface);
    if (drawnNewProgram) record("present", start, now());
    drawnNewProgram = false;
    return done;
}

}  // extern "C"
