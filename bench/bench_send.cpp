// orva-control --send status against the simulated projector, from process start to exit,
// beside a minimal C program that makes the same exchange on the same simulated projector in
// the same run, and beside a Qt program on the same libraries that only starts and exits (the
// least any program on this stack takes); then the same command through a running panel (offscreen) that holds the line;
// then the same command through ser2net on loopback, over rfc2217:// beside tcp:// in turns (the
// price of the telnet negotiation and the line settings). Prints the results as CSV lines
// (ResultRow) on standard output.
//
// Usage: bench_send ORVA_CONTROL ORVA_PROJECTOR_SIM SEND_BASELINE QT_START   (ser2net on the PATH)
#include "benchclock.h"
#include "resultrow.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

extern char **environ;

namespace
{

constexpr int kRuns = 30;
constexpr double kExchangeClosedMs = 600; // the panel's reply wait of 500 ms, and some
const std::string kGoal = "<= 3x and < 30 ms";

[[noreturn]] void fail(const std::string &what)
{
    std::fprintf(stderr, "bench_send: %s\n", what.c_str());
    std::exit(EXIT_FAILURE);
}

pid_t spawn(std::vector<std::string> arguments, int output)
{
    std::vector<char *> argv;
    for (std::string &argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, output, STDOUT_FILENO);
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0)
        fail("cannot start " + arguments.front());
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

// Milliseconds from the start of the program to its exit, which must be a success.
double timeRun(const std::vector<std::string> &arguments)
{
    const int null = open("/dev/null", O_WRONLY);
    const std::int64_t start = monotonicNs();
    const pid_t pid = spawn(arguments, null);
    int status = 0;
    waitpid(pid, &status, 0);
    const std::int64_t end = monotonicNs();
    close(null);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        fail(arguments.front() + " failed");
    return nsToMs(end - start);
}

// The simulated projector on a pseudo-terminal of its own; its first line is the path.
std::string startProjector(const std::string &program, pid_t &pid)
{
    int pipe[2];
    if (::pipe(pipe) != 0)
        fail("no pipe");
    pid = spawn({program}, pipe[1]);
    close(pipe[1]);
    std::string path;
    for (char c; read(pipe[0], &c, 1) == 1 && c != '\n';)
        path += c;
    return path; // the pipe stays open: the projector goes on printing what it answers
}

void waitForSocket(const std::filesystem::path &directory)
{
    for (int i = 0; i < 1000; ++i) {
        std::error_code ignored;
        if (!std::filesystem::is_empty(directory / "orva-control", ignored))
            return;
        sleepMs(10);
    }
    fail("the panel did not start to share its port");
}

// A loopback TCP port free now (the system's choice for a socket bound to port 0).
int freePort()
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    const int probe = socket(AF_INET, SOCK_STREAM, 0);
    bind(probe, reinterpret_cast<sockaddr *>(&address), size);
    getsockname(probe, reinterpret_cast<sockaddr *>(&address), &size);
    close(probe);
    return ntohs(address.sin_port);
}

// ser2net serving `device` raw on `rawPort` and with RFC 2217 on `telnetPort`; started once its
// pid file is there.
pid_t startSer2net(const std::filesystem::path &directory, const std::string &device,
                   int rawPort, int telnetPort)
{
    std::ofstream(directory / "ser2net.yaml")
        << "connection: &raw\n  accepter: tcp,127.0.0.1," << rawPort
        << "\n  connector: serialdev," << device << ",19200n81,local\n"
        << "connection: &rfc2217\n  accepter: telnet(rfc2217),tcp,127.0.0.1," << telnetPort
        << "\n  connector: serialdev," << device << ",19200n81,local\n";
    const int null = open("/dev/null", O_WRONLY);
    const pid_t pid = spawn({"ser2net", "-n", "-u", "-c", (directory / "ser2net.yaml").string(),
                             "-P", (directory / "ser2net.pid").string()},
                            null);
    close(null);
    for (int i = 0; i < 1000 && !std::filesystem::exists(directory / "ser2net.pid"); ++i)
        sleepMs(10);
    return pid;
}

ResultRow row(const std::string &figure, const Samples &measured, const Samples &baseline)
{
    ResultRow result;
    result.figure = figure;
    result.unit = "ms";
    result.measured = measured;
    result.baseline = "C program: open, termios, CR0, read to CR";
    result.baselineSamples = baseline;
    result.goal = kGoal;
    result.met = measured.median() <= 3 * baseline.median() && measured.median() < 30;
    return result;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc != 5)
        fail("usage: bench_send ORVA_CONTROL ORVA_PROJECTOR_SIM SEND_BASELINE QT_START");
    const std::string orva = argv[1];
    char runtime[] = "/tmp/bench_send.XXXXXX"; // private, as a session's runtime directory
    if (!mkdtemp(runtime))
        fail("no temporary directory");
    setenv("XDG_RUNTIME_DIR", runtime, 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 1); // for the panel; --send needs no platform
    pid_t projector = 0;
    const std::string device = startProjector(argv[2], projector);
    const std::vector<std::string> send{orva, "--send", "status", "--com1", device};

    Samples baseline, qtStart, direct, shared;
    for (int i = 0; i < kRuns; ++i) {
        baseline.add(timeRun({argv[3], device}));
        qtStart.add(timeRun({argv[4]}));
        direct.add(timeRun(send));
    }
    const int null = open("/dev/null", O_WRONLY);
    const pid_t panel = spawn({orva, "--com1", device}, null);
    waitForSocket(runtime);
    for (int i = 0; i < kRuns; ++i) {
        sleepMs(kExchangeClosedMs); // measured alone, not waiting behind the previous one
        shared.add(timeRun(send));
    }
    kill(panel, SIGTERM);
    waitpid(panel, nullptr, 0);

    const int rawPort = freePort(), telnetPort = freePort();
    const pid_t ser2net = startSer2net(runtime, device, rawPort, telnetPort);
    const auto through = [&](const char *scheme, int port) {
        return std::vector<std::string>{orva, "--send", "status", "--com1",
                                        scheme + ("://127.0.0.1:" + std::to_string(port))};
    };
    Samples overTcp, overRfc2217;
    for (int i = 0; i < kRuns; ++i) {
        overTcp.add(timeRun(through("tcp", rawPort)));
        overRfc2217.add(timeRun(through("rfc2217", telnetPort)));
    }
    kill(ser2net, SIGTERM);
    kill(projector, SIGTERM);
    waitpid(ser2net, nullptr, 0);
    waitpid(projector, nullptr, 0);
    std::filesystem::remove_all(runtime);

    std::printf("%s\n", row("--send status, start to exit", direct, baseline).csv().c_str());
    std::printf("%s\n",
                row("--send status through a running panel", shared, baseline).csv().c_str());
    ResultRow qtFloor = row("a Qt program on the same libraries that only starts, start to exit",
                            qtStart, baseline);
    qtFloor.goal = "-";
    qtFloor.met.reset();
    std::printf("%s\n", qtFloor.csv().c_str());
    ResultRow ours = row("--send status, start to exit", direct, qtStart);
    ours.baseline = "Qt program: QCoreApplication with Qt Network and SerialPort, exits at once";
    ours.goal = "-";
    ours.met.reset();
    std::printf("%s\n", ours.csv().c_str());
    ResultRow negotiation = row("--send status through ser2net, rfc2217://", overRfc2217, overTcp);
    negotiation.baseline = "the same over tcp://, in turns";
    negotiation.goal = "-";
    negotiation.met.reset();
    std::printf("%s\n", negotiation.csv().c_str());
    return EXIT_SUCCESS;
}
