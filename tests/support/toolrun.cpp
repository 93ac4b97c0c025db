#include "toolrun.h"

#include <QFile>
#include <QStandardPaths>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

bool haveTool(const QString& program) {
    return !QStandardPaths::findExecutable(program).isEmpty();
}

ToolRun runTool(const QString& program, const QStringList& arguments,
                const QString& workingDirectory, const QByteArray& input) {
    ToolRun run;
    const QString path = QStandardPaths::findExecutable(program);
    if (path.isEmpty())
        return run;
    // Everything the child needs is made before the fork: after it, the child only execs.
    std::vector<QByteArray> words{QFile::encodeName(path)};
    for (const QString& argument : arguments)
        words.push_back(QFile::encodeName(argument));
    std::vector<char*> argv;
    for (QByteArray& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    const QByteArray folder = QFile::encodeName(workingDirectory);

    int in[2], out[2], err[2];
    if (::pipe2(in, O_CLOEXEC) != 0)
        return run;
    if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0)
        return run;
    const pid_t child = ::fork();
    if (child < 0)
        return run;
    if (child == 0) {
        ::dup2(in[0], STDIN_FILENO);
        ::dup2(out[1], STDOUT_FILENO);
        ::dup2(err[1], STDERR_FILENO);
        if (!folder.isEmpty() && ::chdir(folder.constData()) != 0)
            ::_exit(127);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    run.started = true;
    ::close(in[0]);
    ::close(out[1]);
    ::close(err[1]);
    // A tool that ends without reading its input must not stop the test with SIGPIPE.
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    struct sigaction previous {};
    ::sigaction(SIGPIPE, &ignore, &previous);

    qsizetype written = 0;
    int inFd = in[1];
    if (input.isEmpty()) {
        ::close(inFd);
        inFd = -1;
    }
    int outFd = out[0], errFd = err[0];
    char buffer[65536];
    while (outFd >= 0 || errFd >= 0) {
        pollfd fds[3] = {{outFd, POLLIN, 0}, {errFd, POLLIN, 0}, {inFd, POLLOUT, 0}};
        if (::poll(fds, 3, -1) < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        for (int k = 0; k < 2; ++k) {
            int& fd = k == 0 ? outFd : errFd;
            if (fd < 0 || !(fds[k].revents & (POLLIN | POLLHUP | POLLERR)))
                continue;
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n > 0)
                (k == 0 ? run.out : run.err).append(buffer, n);
            else if (n == 0 || errno != EINTR) {
                ::close(fd);
                fd = -1;
            }
        }
        if (inFd >= 0 && (fds[2].revents & (POLLOUT | POLLERR | POLLHUP))) {
            const ssize_t n = ::write(inFd, input.constData() + written,
                                      static_cast<std::size_t>(input.size() - written));
            if (n > 0)
                written += n;
            if ((n < 0 && errno != EINTR && errno != EAGAIN) || written == input.size()) {
                ::close(inFd);
                inFd = -1;
            }
        }
    }
    if (inFd >= 0)
        ::close(inFd);
    ::sigaction(SIGPIPE, &previous, nullptr);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}
