// Runs a program as its child and reports how it ended, so that the child's peak memory starts from this small
// process's size: spawned by the test process itself, it would count the test process's peak, which the kernel folds
// into a child's at exec after posix_spawn. Usage: launcher_helper UMASK FILE_SIZE_LIMIT DROP PROGRAM [ARGUMENT...]:
// UMASK in octal, FILE_SIZE_LIMIT in bytes or "-", DROP "1" to run as uid/gid 65534 when root. Writes "WAIT_STATUS
// PEAK_KB\n" (the child's ru_maxrss) on descriptor 3; exit status 0, or 126 when the child could not be made.
#include <fcntl.h>
#include <grp.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
  if (argc < 5) return 126;
  const pid_t pid = fork();
  if (pid == 0) {
    close(3);
    ::umask(static_cast<mode_t>(std::strtol(argv[1], nullptr, 8)));
    if (argv[2][0] != '-') {
      const rlim_t limit = std::strtoull(argv[2], nullptr, 10);
      const struct rlimit size = {limit, limit};
      if (setrlimit(RLIMIT_FSIZE, &size) != 0) _exit(126);
    }
    // Opened before dropping privileges: the path may lie in a directory that uid 65534 cannot enter.
    const int program = open(argv[4], O_RDONLY | O_CLOEXEC);
    if (argv[3][0] == '1' && geteuid() == 0 && (setgroups(0, nullptr) != 0 || setresgid(65534, 65534, 65534) != 0 || setresuid(65534, 65534, 65534) != 0)) _exit(126);
    fexecve(program, argv + 4, environ);
    _exit(127);
  }
  int status = 0;
  struct rusage usage {};
  if (pid < 0 || wait4(pid, &status, 0, &usage) != pid) return 126;
  dprintf(3, "%d %ld\n", status, usage.ru_maxrss);
  return 0;
}
