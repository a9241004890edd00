#include "host/live/pcm_decode.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>

namespace qlv::live {
namespace {

// Everything from `fd` until end of file.
std::string ReadAll(int fd) {
  std::string data;
  char buffer[1 << 16];
  for (;;) {
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n > 0) {
      data.append(buffer, static_cast<size_t>(n));
    } else if (n == 0 || errno != EINTR) {
      return data;
    }
  }
}

constexpr int kExecFailed = 127;

}  // namespace

bool DecodePcm(const std::vector<cli::SoundInput>& inputs, int sample_rate, std::vector<int16_t>* out,
               std::string* error) {
  out->clear();
  std::string path;  // the files, for messages
  for (const cli::SoundInput& input : inputs) {
    struct stat st {};
    if (stat(input.path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
      *error = "audio file not found: " + input.path;
      return false;
    }
    path += (path.empty() ? "" : ", ") + input.path;
  }
  if (inputs.empty()) {
    *error = "no audio to decode";
    return false;
  }
  const cli::SoundMix mix = cli::MixSound(inputs, 0, sample_rate);
  std::vector<std::string> args = {"ffmpeg", "-nostdin", "-v", "error"};
  args.insert(args.end(), mix.input_args.begin(), mix.input_args.end());
  args.insert(args.end(), {"-filter_complex", mix.graph + "[mix]", "-map", "[mix]", "-f", "s16le", "-acodec",
                           "pcm_s16le", "-ac", "2", "-ar", std::to_string(sample_rate), "-"});
  std::vector<const char*> argv;
  for (const std::string& arg : args) argv.push_back(arg.c_str());
  argv.push_back(nullptr);
  int data_pipe[2], message_pipe[2];
  if (pipe(data_pipe) != 0) {
    *error = std::string("cannot start ffmpeg: ") + std::strerror(errno);
    return false;
  }
  if (pipe(message_pipe) != 0) {
    close(data_pipe[0]);
    close(data_pipe[1]);
    *error = std::string("cannot start ffmpeg: ") + std::strerror(errno);
    return false;
  }
  const pid_t child = fork();
  if (child < 0) {
    for (int fd : {data_pipe[0], data_pipe[1], message_pipe[0], message_pipe[1]}) close(fd);
    *error = std::string("cannot start ffmpeg: ") + std::strerror(errno);
    return false;
  }
  if (child == 0) {
    dup2(data_pipe[1], STDOUT_FILENO);
    dup2(message_pipe[1], STDERR_FILENO);
    for (int fd : {data_pipe[0], data_pipe[1], message_pipe[0], message_pipe[1]}) close(fd);
    execvp("ffmpeg", const_cast<char* const*>(argv.data()));
    _exit(kExecFailed);
  }
  close(data_pipe[1]);
  close(message_pipe[1]);
  // ffmpeg at "-v error" says at most a few lines, so its messages cannot fill their pipe while
  // the samples are read.
  const std::string samples = ReadAll(data_pipe[0]);
  std::string messages = ReadAll(message_pipe[0]);
  close(data_pipe[0]);
  close(message_pipe[0]);
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  if (WIFEXITED(status) && WEXITSTATUS(status) == kExecFailed) {
    *error = "cannot decode " + path + ": ffmpeg is not installed (apt-get install ffmpeg)";
    return false;
  }
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || samples.size() < 4) {
    const size_t end = messages.find('\n');
    if (end != std::string::npos) messages.resize(end);
    *error = "cannot decode " + path + (messages.empty() ? ": ffmpeg found no audio in it" : ": " + messages);
    return false;
  }
  out->resize(samples.size() / 4 * 2);
  std::memcpy(out->data(), samples.data(), out->size() * sizeof(int16_t));
  return true;
}

}  // namespace qlv::live
