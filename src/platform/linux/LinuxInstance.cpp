// One Wylo at a time on Linux: an open-file-description lock on a file in the
// user's runtime folder says who runs, and a local socket beside it takes the
// commands of later starts. The kernel drops the lock with the process, so a
// Wylo that crashed leaves nothing that stops the next one.
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include "base/Error.h"
#include "platform/Instance.h"

namespace wylo {
namespace {

// A request or an answer is one short line.
constexpr std::size_t kLineLimit = 64;
// How long a sender may take to write its line once connected.
constexpr int kRequestTimeoutMs = 2000;

class Fd {
public:
    Fd() = default;
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() { Reset(); }
    Fd(Fd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    Fd& operator=(Fd&& other) noexcept {
        if (this != &other) {
            Reset();
            fd_ = std::exchange(other.fd_, -1);
        }
        return *this;
    }
    int get() const { return fd_; }
    explicit operator bool() const { return fd_ >= 0; }
    void Reset() {
        if (fd_ >= 0) {
            ::close(fd_);
            fd_ = -1;
        }
    }

private:
    int fd_ = -1;
};

std::string SystemText(int error) {
    return std::strerror(error);
}

// A folder of the user's own that nobody else can enter: the runtime folder,
// or a private folder of Wylo's in the temporary folder when there is none.
bool PrivateFolder(const std::filesystem::path& folder, bool allowGroupAndOthers) {
    struct stat info {};
    if (::lstat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) ||
        info.st_uid != ::geteuid()) {
        return false;
    }
    return allowGroupAndOthers || (info.st_mode & 077) == 0;
}

std::filesystem::path RuntimeFolder() {
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && runtime[0] == '/') {
        // The folder's owner alone may use it; a socket and a lock in a
        // folder that others can write could be replaced by theirs.
        if (PrivateFolder(runtime, false)) {
            return runtime;
        }
    }
    const char* temp = std::getenv("TMPDIR");
    const std::filesystem::path base = temp && temp[0] == '/' ? temp : "/tmp";
    const std::filesystem::path folder = base / ("wylo-" + std::to_string(::geteuid()));
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        throw Error("Unable to create " + folder.string() + ": " + SystemText(errno));
    }
    if (!PrivateFolder(folder, false)) {
        throw Error(folder.string() + " is not a private folder of this user's");
    }
    return folder;
}

struct Names {
    std::filesystem::path lock;
    std::filesystem::path socket;
};

Names NamesFor(const std::filesystem::path& appFolder) {
    const std::filesystem::path folder = RuntimeFolder();
    const std::string stem = "wylo-" + InstanceKey(appFolder);
    return {folder / (stem + ".lock"), folder / (stem + ".socket")};
}

sockaddr_un SocketAddress(const std::filesystem::path& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string& text = path.native();
    if (text.size() >= sizeof address.sun_path) {
        throw Error("The runtime folder's path is too long for a socket: " + text);
    }
    std::memcpy(address.sun_path, text.c_str(), text.size() + 1);
    return address;
}

Fd OpenLockFile(const std::filesystem::path& path, bool create) {
    const int flags = O_RDWR | O_CLOEXEC | O_NOFOLLOW | (create ? O_CREAT : 0);
    return Fd(::open(path.c_str(), flags, 0600));
}

flock WholeFile(short type) {
    flock lock{};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    lock.l_start = 0;
    lock.l_len = 0;
    return lock;
}

// Whether another open file holds the lock; looking takes nothing, so a
// start that claims meanwhile is not put off.
bool LockHeld(const std::filesystem::path& path) {
    const Fd fd = OpenLockFile(path, false);
    if (!fd) {
        return false;
    }
    flock lock = WholeFile(F_WRLCK);
    return ::fcntl(fd.get(), F_OFD_GETLK, &lock) == 0 && lock.l_type != F_UNLCK;
}

// Reads one line of at most kLineLimit bytes, waiting up to timeoutMs (-1:
// until stop is readable). Nothing when the line is too long or does not
// come.
std::optional<std::string> ReadLine(int fd, int timeoutMs, int stop = -1) {
    std::string line;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (line.size() <= kLineLimit) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            return std::nullopt;
        }
        pollfd fds[2] = {{fd, POLLIN, 0}, {stop, POLLIN, 0}};
        const int ready = ::poll(fds, stop >= 0 ? 2 : 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready <= 0 || (stop >= 0 && fds[1].revents != 0)) {
            return std::nullopt;
        }
        char buffer[kLineLimit];
        const ssize_t got = ::recv(fd, buffer, sizeof buffer, 0);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            return std::nullopt;
        }
        line.append(buffer, static_cast<std::size_t>(got));
        if (const std::size_t end = line.find('\n'); end != std::string::npos) {
            return line.substr(0, end);
        }
    }
    return std::nullopt;
}

void WriteLine(int fd, const std::string& text) {
    const std::string line = text + "\n";
    std::size_t sent = 0;
    while (sent < line.size()) {
        const ssize_t n = ::send(fd, line.data() + sent, line.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return;
        }
        sent += static_cast<std::size_t>(n);
    }
}

// An answer the window gives on its own thread, and the listener that waits
// for it. Shared, so an answer that comes after the listener stopped waiting
// lands nowhere harmful.
struct PendingAnswer {
    std::mutex mutex;
    std::condition_variable ready;
    std::optional<bool> taken;
};

class LinuxInstance final : public RunningInstance {
public:
    LinuxInstance(Fd lock, Fd listener, std::filesystem::path socketPath)
        : lock_(std::move(lock)),
          listener_(std::move(listener)),
          socketPath_(std::move(socketPath)) {}

    ~LinuxInstance() override {
        StopListening();
        // The socket goes before the lock: a start that finds the lock free
        // makes a new one.
        std::error_code ignored;
        std::filesystem::remove(socketPath_, ignored);
    }

    void Listen(Handler handler, RunOnWindow post) override {
        if (thread_.joinable()) {
            return;
        }
        int pipeEnds[2];
        if (::pipe2(pipeEnds, O_CLOEXEC) != 0) {
            throw Error("Unable to take commands: " + SystemText(errno));
        }
        stopRead_ = Fd(pipeEnds[0]);
        stopWrite_ = Fd(pipeEnds[1]);
        thread_ = std::thread(
            [this, handler = std::move(handler), post = std::move(post)] { Serve(handler, post); });
    }

    void StopListening() override {
        if (!thread_.joinable()) {
            return;
        }
        stopping_ = true;
        const char wake = 1;
        static_cast<void>(::write(stopWrite_.get(), &wake, 1));
        {
            const std::lock_guard lock(waitMutex_);
            if (waiting_) {
                const std::lock_guard answerLock(waiting_->mutex);
                waiting_->ready.notify_all();
            }
        }
        thread_.join();
    }

private:
    void Serve(const Handler& handler, const RunOnWindow& post) {
        while (!stopping_) {
            pollfd fds[2] = {{listener_.get(), POLLIN, 0}, {stopRead_.get(), POLLIN, 0}};
            if (::poll(fds, 2, -1) < 0) {
                if (errno == EINTR) {
                    continue;
                }
                return;
            }
            if (fds[1].revents != 0) {
                return;
            }
            const Fd peer(::accept4(listener_.get(), nullptr, nullptr, SOCK_CLOEXEC));
            if (peer) {
                Answer(peer.get(), handler, post);
            }
        }
    }

    void Answer(int peer, const Handler& handler, const RunOnWindow& post) {
        // The folder keeps others out already; the sender's own credentials
        // say so again, whatever the folder's rights have become.
        ucred credentials{};
        socklen_t size = sizeof credentials;
        if (::getsockopt(peer, SOL_SOCKET, SO_PEERCRED, &credentials, &size) != 0 ||
            credentials.uid != ::geteuid()) {
            WriteLine(peer, "denied");
            return;
        }
        const std::optional<std::string> line = ReadLine(peer, kRequestTimeoutMs, stopRead_.get());
        if (!line) {
            return;
        }
        const std::optional<RemoteCommand> command = RemoteCommandNamed(*line);
        if (!command) {
            WriteLine(peer, "unknown");
            return;
        }
        auto pending = std::make_shared<PendingAnswer>();
        {
            const std::lock_guard lock(waitMutex_);
            waiting_ = pending;
        }
        post([pending, handler, c = *command] {
            const bool taken = handler(c);
            const std::lock_guard lock(pending->mutex);
            pending->taken = taken;
            pending->ready.notify_all();
        });
        std::optional<bool> taken;
        {
            std::unique_lock lock(pending->mutex);
            pending->ready.wait(lock, [&] { return pending->taken.has_value() || stopping_; });
            taken = pending->taken;
        }
        {
            const std::lock_guard lock(waitMutex_);
            waiting_.reset();
        }
        if (taken) {
            WriteLine(peer, *taken ? "taken" : "refused");
        }
    }

    Fd lock_;
    Fd listener_;
    std::filesystem::path socketPath_;
    Fd stopRead_;
    Fd stopWrite_;
    std::atomic<bool> stopping_ = false;
    std::mutex waitMutex_;
    std::shared_ptr<PendingAnswer> waiting_;
    std::thread thread_;
};

}  // namespace

std::unique_ptr<RunningInstance> ClaimInstance(const std::filesystem::path& appFolder) {
    const Names names = NamesFor(appFolder);
    Fd lock = OpenLockFile(names.lock, true);
    if (!lock) {
        throw Error("Unable to open " + names.lock.string() + ": " + SystemText(errno));
    }
    flock whole = WholeFile(F_WRLCK);
    if (::fcntl(lock.get(), F_OFD_SETLK, &whole) != 0) {
        if (errno == EAGAIN || errno == EACCES) {
            return nullptr;
        }
        throw Error("Unable to lock " + names.lock.string() + ": " + SystemText(errno));
    }
    // Whoever held the lock before has gone; a socket it left is dead.
    ::unlink(names.socket.c_str());
    Fd listener(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    const sockaddr_un address = SocketAddress(names.socket);
    if (!listener ||
        ::bind(listener.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::chmod(names.socket.c_str(), 0600) != 0 || ::listen(listener.get(), 16) != 0) {
        throw Error("Unable to take commands at " + names.socket.string() + ": " +
                    SystemText(errno));
    }
    return std::make_unique<LinuxInstance>(std::move(lock), std::move(listener), names.socket);
}

Delivery SendToInstance(const std::filesystem::path& appFolder, RemoteCommand command,
                        std::chrono::milliseconds patience) {
    const Names names = NamesFor(appFolder);
    const sockaddr_un address = SocketAddress(names.socket);
    const auto deadline = std::chrono::steady_clock::now() + patience;
    for (;;) {
        Fd socket(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
        if (!socket) {
            throw Error("Unable to reach Wylo: " + SystemText(errno));
        }
        if (::connect(socket.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) ==
            0) {
            WriteLine(socket.get(), std::string(RemoteCommandName(command)));
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            const std::optional<std::string> answer =
                ReadLine(socket.get(), std::max<int>(static_cast<int>(left.count()), 1));
            if (answer == "taken") {
                return Delivery::Taken;
            }
            if (answer == "refused" || answer == "unknown" || answer == "denied") {
                return Delivery::Refused;
            }
            return LockHeld(names.lock) ? Delivery::NoAnswer : Delivery::NoneRunning;
        }
        // No socket yet: the Wylo that holds the lock is starting up, or
        // none runs.
        if (!LockHeld(names.lock)) {
            return Delivery::NoneRunning;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            return Delivery::NoAnswer;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

}  // namespace wylo
