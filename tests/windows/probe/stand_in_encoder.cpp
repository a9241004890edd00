// A stand-in for ffmpeg on Windows: copies its standard input, byte for byte, into the file named
// by its last argument, so a test sees exactly what the previewer piped to the encoder.
#include <fcntl.h>
#include <io.h>

#include <cstdio>

int main(int argc, char **argv) {
    if (argc < 2) return 2;
    _setmode(_fileno(stdin), _O_BINARY);
    std::FILE *out = std::fopen(argv[argc - 1], "wb");
    if (!out) return 1;
    char buffer[1 << 16];
    size_t n = 0;
    bool ok = true;
    while ((n = std::fread(buffer, 1, sizeof buffer, stdin)) > 0) ok = std::fwrite(buffer, 1, n, out) == n && ok;
    ok = std::fclose(out) == 0 && ok;
    return ok ? 0 : 1;
}
