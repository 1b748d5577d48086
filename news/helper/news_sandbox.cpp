#include "news/helper/news_sandbox.h"

#include <curl/curl.h>
#include <fcntl.h>
#include <linux/capability.h>
#include <linux/netlink.h>
#include <linux/sched.h>
#include <netinet/in.h>
#include <seccomp.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <filesystem>
#include <initializer_list>
#include <memory>
#include <optional>
#include <set>
#include <string_view>
#include <system_error>
#include <utility>

#include "news/helper/curl_http_get.h"
#include "news/helper/file_view.h"
#include "news/helper/landlock.h"
#include "news/helper_environment.h"

// Everything the news helper may do once confined, layer by layer:
//
// - Files: read what name lookup reads, the library folders and the trust store's hashed
//   certificate folders with what their links lead to (below); nothing written, made, removed or
//   listed. Landlock holds it where the kernel offers it, else a user and mount namespace whose
//   root shows nothing else, read-only; where neither can be had, the helper does not fetch.
// - Network: TCP and UDP sockets, a routing netlink socket and an unnamed local stream pair
//   (seccomp); TCP connections only to NewsConnectPorts() where Landlock offers network rules.
// - Resources: the limits below.
// - Privileges: none; no new ones, no capabilities, not dumpable.
// - System calls: those FilterSystemCalls() allows, with their arguments where a call could reach
//   outside the process; every other one fails with EPERM.
namespace voltarik {
namespace {

// ---- Files ----

// What glibc's name lookup reads: its configuration, and the NSS modules nsswitch.conf may name,
// which it loads from the library folders.
constexpr const char* kNameLookupFiles[] = {"/etc/nsswitch.conf", "/etc/host.conf",
                                            "/etc/hosts",         "/etc/resolv.conf",
                                            "/etc/gai.conf",      "/etc/ld.so.cache"};
constexpr const char* kLibraryFolders[] = {"/usr/lib", "/lib", "/lib64", "/usr/lib64"};
// Where the links of Debian's hashed certificate folder lead: the authorities of the package
// ca-certificates and of other packages, and those an administrator added. Public, as the folder.
constexpr const char* kCertificateSources[] = {"/usr/share/ca-certificates",
                                               "/usr/local/share/ca-certificates"};

// `folders` (':' between them) where their links lead: OpenSSL's default, /usr/lib/ssl/certs on
// Debian, is a link to /etc/ssl/certs, which the file layer must allow, or show, as itself. A
// folder that does not exist is left out; nothing when one cannot be looked at.
std::optional<std::vector<std::string>> RealFolders(std::string_view folders) {
  std::vector<std::string> real;
  while (!folders.empty()) {
    const std::size_t colon = folders.find(':');
    const std::string folder(folders.substr(0, colon));
    folders.remove_prefix(colon == std::string_view::npos ? folders.size() : colon + 1);
    if (folder.empty()) continue;
    std::error_code error;
    std::filesystem::path resolved = std::filesystem::canonical(folder, error);
    if (!error) {
      real.push_back(std::move(resolved).string());
    } else if (error != std::errc::no_such_file_or_directory) {
      return std::nullopt;
    }
  }
  return real;
}

// Everything the helper may read.
std::optional<std::vector<std::string>> Readable(const std::string& certificate_folders) {
  std::optional<std::vector<std::string>> readable = RealFolders(certificate_folders);
  if (readable) {
    readable->insert(readable->begin(), std::begin(kLibraryFolders), std::end(kLibraryFolders));
    readable->insert(readable->begin(), std::begin(kNameLookupFiles), std::end(kNameLookupFiles));
    readable->insert(readable->end(), std::begin(kCertificateSources),
                     std::end(kCertificateSources));
  }
  return readable;
}

// Reading only what Readable() names, on every kernel, or not at all.
bool RestrictFileSystem(std::span<const std::uint16_t> connect_ports,
                        const std::string& certificate_folders) {
  const std::optional<std::vector<std::string>> readable = Readable(certificate_folders);
  if (!readable) return false;
  switch (RestrictWithLandlock(*readable, connect_ports)) {
    case Landlock::kInForce:
      return true;
    case Landlock::kNotOffered:
      return EnterFileView(*readable);
    case Landlock::kFailed:
      return false;
  }
  return false;
}

// ---- Network ----

constexpr std::uint16_t kHttpPort = 80;
constexpr std::uint16_t kHttpsPort = 443;
constexpr std::uint16_t kNameLookupPort = 53;
// What libcurl takes for a proxy that names no port, but an https:// one.
constexpr std::uint16_t kProxyPort = 1080;

struct UrlCleanup {
  void operator()(CURLU* url) const { curl_url_cleanup(url); }
};
struct TextFree {
  void operator()(char* text) const { curl_free(text); }
};

// The port libcurl connects to for `url`, parsed as libcurl parses it; `default_port` when the
// text names none.
std::optional<std::uint16_t> PortOf(const std::string& url,
                                    std::uint16_t (*default_port)(std::string_view scheme)) {
  const std::unique_ptr<CURLU, UrlCleanup> parsed(curl_url());
  if (!parsed || curl_url_set(parsed.get(), CURLUPART_URL, url.c_str(), CURLU_NON_SUPPORT_SCHEME) !=
                     CURLUE_OK) {
    return std::nullopt;
  }
  char* text = nullptr;
  if (curl_url_get(parsed.get(), CURLUPART_PORT, &text, 0) == CURLUE_OK) {
    const std::unique_ptr<char, TextFree> port(text);
    return static_cast<std::uint16_t>(std::stoul(port.get()));
  }
  if (curl_url_get(parsed.get(), CURLUPART_SCHEME, &text, 0) != CURLUE_OK) return std::nullopt;
  const std::unique_ptr<char, TextFree> scheme(text);
  return default_port(scheme.get());
}

// An address without a port is reached on 80 or 443, which are on the list anyway.
std::uint16_t AddressDefaultPort(std::string_view /*scheme*/) { return kHttpPort; }

std::uint16_t ProxyDefaultPort(std::string_view scheme) {
  return scheme == "https" ? kHttpsPort : kProxyPort;
}

// ---- Resources ----

// The transfer needs one pipe, one connection, the resolver's sockets and the files name lookup
// and certificate verification read, a few at a time.
constexpr rlim_t kMaxDescriptors = 32;
// libcurl, its TLS libraries and the resolver's thread take about a tenth of this.
constexpr rlim_t kMaxAddressSpace = rlim_t{512} * 1024 * 1024;
// The window's process kills the helper long before this; a loop gone wild still stops.
constexpr rlim_t kMaxCpuSeconds = 10;

bool Limit(int resource, rlim_t value) {
  const rlimit limit{value, value};
  return setrlimit(resource, &limit) == 0;
}

bool LimitResources() {
  bool ok = Limit(RLIMIT_CORE, 0) && Limit(RLIMIT_NOFILE, kMaxDescriptors) &&
            Limit(RLIMIT_FSIZE, 0) && Limit(RLIMIT_CPU, kMaxCpuSeconds);
#if !defined(__SANITIZE_ADDRESS__)
  // AddressSanitizer reserves terabytes of address space for its shadow memory.
  ok = ok && Limit(RLIMIT_AS, kMaxAddressSpace);
#endif
  return ok;
}

// ---- Privileges ----

// The effective, permitted and inheritable sets, of 32 capabilities each.
using CapabilitySets = std::array<__user_cap_data_struct, _LINUX_CAPABILITY_U32S_3>;

bool ReadCapabilities(CapabilitySets& sets) {
  __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
  return syscall(SYS_capget, &header, sets.data()) == 0;
}

// Every capability given up, also those of a program started as root or of the user namespace
// the file view may have made. The bounding set can only be cut with CAP_SETPCAP; without it,
// it gives nothing back anyway, since no program is started and no privilege gained from here on.
bool DropCapabilities() {
  CapabilitySets held{};
  if (!ReadCapabilities(held)) return false;
  if ((held[0].effective & (1U << CAP_SETPCAP)) != 0) {
    for (int capability = 0; prctl(PR_CAPBSET_READ, capability) >= 0; ++capability) {
      if (prctl(PR_CAPBSET_DROP, capability) != 0) return false;
    }
  }
  __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
  const CapabilitySets none{};
  if (prctl(PR_CAP_AMBIENT, PR_CAP_AMBIENT_CLEAR_ALL, 0, 0, 0) != 0 ||
      syscall(SYS_capset, &header, none.data()) != 0 || !ReadCapabilities(held)) {
    return false;
  }
  return std::ranges::all_of(held, [](__user_cap_data_struct sets) {
    return sets.effective == 0 && sets.permitted == 0 && sets.inheritable == 0;
  });
}

// ---- System calls ----

struct FilterRelease {
  void operator()(scmp_filter_ctx filter) const { seccomp_release(filter); }
};
using Filter = std::unique_ptr<void, FilterRelease>;

bool Allow(scmp_filter_ctx filter, std::initializer_list<int> calls) {
  for (const int call : calls) {
    if (seccomp_rule_add(filter, SCMP_ACT_ALLOW, call, 0) != 0) return false;
  }
  return true;
}

// Opening for reading only: no file written, truncated or made.
constexpr scmp_datum_t kWritingFlags =
    O_WRONLY | O_RDWR | O_CREAT | O_TRUNC | O_APPEND | (O_TMPFILE & ~O_DIRECTORY);

// One condition on an argument of a system call: the argument `argument`, masked with `mask`,
// equals `value` (seccomp.h's SCMP_A0 and the like are C compound literals).
struct Condition {
  unsigned int argument;
  scmp_datum_t mask;
  scmp_datum_t value;
};

constexpr scmp_datum_t kAll = ~scmp_datum_t{0};
// A socket's type without the SOCK_NONBLOCK and SOCK_CLOEXEC flags.
constexpr scmp_datum_t kSocketType = 0xf;

// One system call allowed when all the conditions hold.
bool AllowWhen(scmp_filter_ctx filter, int call, std::initializer_list<Condition> conditions) {
  std::vector<scmp_arg_cmp> compares;
  for (const Condition& condition : conditions) {
    compares.push_back({condition.argument, SCMP_CMP_MASKED_EQ, condition.mask, condition.value});
  }
  return seccomp_rule_add_array(filter, SCMP_ACT_ALLOW, call,
                                static_cast<unsigned int>(compares.size()), compares.data()) == 0;
}

// Internet sockets of the kinds the transfer and name lookup make: TCP and UDP, never raw.
bool AllowInternetSockets(scmp_filter_ctx filter) {
  for (const int family : {AF_INET, AF_INET6}) {
    for (const auto& [type, protocol] :
         {std::pair{SOCK_STREAM, IPPROTO_TCP}, std::pair{SOCK_DGRAM, IPPROTO_UDP}}) {
      for (const int named : {0, static_cast<int>(protocol)}) {
        if (!AllowWhen(filter, SCMP_SYS(socket),
                       {{0, kAll, static_cast<scmp_datum_t>(family)},
                        {1, kSocketType, static_cast<scmp_datum_t>(type)},
                        {2, kAll, static_cast<scmp_datum_t>(named)}})) {
          return false;
        }
      }
    }
  }
  return true;
}

bool AllowConditional(scmp_filter_ctx filter) {
  return AllowWhen(filter, SCMP_SYS(openat), {{2, kWritingFlags, 0}}) &&
         // Threads (the resolver's), never a new process.
         AllowWhen(filter, SCMP_SYS(clone), {{0, CLONE_THREAD, CLONE_THREAD}}) &&
         // No local socket, which would reach the user's session bus, display or other services;
         // of netlink, only the routing protocol, through which name lookup learns which address
         // families are configured (the others list every socket of the machine, or its devices).
         AllowInternetSockets(filter) &&
         AllowWhen(filter, SCMP_SYS(socket),
                   {{0, kAll, AF_NETLINK}, {1, kSocketType, SOCK_RAW}, {2, kAll, NETLINK_ROUTE}}) &&
         // An unnamed stream pair, through which libcurl's resolver thread signals its answer; an
         // unnamed datagram socket could send to any named one, the system log's among them.
         AllowWhen(filter, SCMP_SYS(socketpair),
                   {{0, kAll, AF_UNIX}, {1, kSocketType, SOCK_STREAM}, {2, kAll, 0}}) &&
         // How many bytes wait on a socket: glibc's resolver sizes its buffer for an answer over
         // UDP by it. No other device control.
         AllowWhen(filter, SCMP_SYS(ioctl), {{1, kAll, FIONREAD}}) &&
         // Its own limits only: another process's CPU limit would end that process.
         AllowWhen(filter, SCMP_SYS(prlimit64), {{0, kAll, 0}}) &&
         // Flags of its own descriptors, never a signal owner: F_SETOWN and O_ASYNC would have
         // the kernel signal any process of the user's.
         AllowWhen(filter, SCMP_SYS(fcntl), {{1, kAll, F_GETFD}}) &&
         AllowWhen(filter, SCMP_SYS(fcntl), {{1, kAll, F_SETFD}}) &&
         AllowWhen(filter, SCMP_SYS(fcntl), {{1, kAll, F_GETFL}}) &&
         AllowWhen(filter, SCMP_SYS(fcntl), {{1, kAll, F_SETFL}, {2, O_ASYNC, 0}});
}

bool FilterSystemCalls() {
  const Filter filter(seccomp_init(SCMP_ACT_ERRNO(EPERM)));
  if (!filter) return false;
  return Allow(filter.get(),
               {// Memory
                SCMP_SYS(brk), SCMP_SYS(mmap), SCMP_SYS(munmap), SCMP_SYS(mremap),
                SCMP_SYS(mprotect), SCMP_SYS(madvise),
                // Descriptors already open or opened for reading
                SCMP_SYS(read), SCMP_SYS(pread64), SCMP_SYS(readv), SCMP_SYS(write),
                SCMP_SYS(writev), SCMP_SYS(close), SCMP_SYS(fstat), SCMP_SYS(newfstatat),
                SCMP_SYS(statx), SCMP_SYS(lseek), SCMP_SYS(pipe2), SCMP_SYS(poll), SCMP_SYS(ppoll),
                SCMP_SYS(select), SCMP_SYS(pselect6),
                // An event counter of its own: libcurl (8.22 and later) makes one with each
                // multi handle, to wake its poll
                SCMP_SYS(eventfd2),
                // Sockets already made
                SCMP_SYS(connect), SCMP_SYS(bind), SCMP_SYS(getsockname), SCMP_SYS(getpeername),
                SCMP_SYS(getsockopt), SCMP_SYS(setsockopt), SCMP_SYS(sendto), SCMP_SYS(sendmsg),
                SCMP_SYS(sendmmsg), SCMP_SYS(recvfrom), SCMP_SYS(recvmsg), SCMP_SYS(shutdown),
                // Threads and their locks
                SCMP_SYS(futex), SCMP_SYS(set_robust_list), SCMP_SYS(rseq),
                SCMP_SYS(set_tid_address), SCMP_SYS(sched_yield), SCMP_SYS(sched_getaffinity),
                SCMP_SYS(gettid), SCMP_SYS(getpid), SCMP_SYS(exit), SCMP_SYS(exit_group),
                // Signals of its own
                SCMP_SYS(rt_sigaction), SCMP_SYS(rt_sigprocmask), SCMP_SYS(rt_sigreturn),
                SCMP_SYS(sigaltstack),
                // Time, randomness and facts about itself
                SCMP_SYS(clock_gettime), SCMP_SYS(clock_getres), SCMP_SYS(clock_nanosleep),
                SCMP_SYS(nanosleep), SCMP_SYS(gettimeofday), SCMP_SYS(getrandom), SCMP_SYS(uname),
                SCMP_SYS(getuid), SCMP_SYS(geteuid), SCMP_SYS(getgid), SCMP_SYS(getegid)}) &&
         AllowConditional(filter.get()) &&
         // glibc starts threads with clone3 when it can, whose flags a filter cannot see;
         // told it is missing, glibc falls back to clone.
         seccomp_rule_add(filter.get(), SCMP_ACT_ERRNO(ENOSYS), SCMP_SYS(clone3), 0) == 0 &&
         seccomp_load(filter.get()) == 0;
}

}  // namespace

std::vector<std::uint16_t> NewsConnectPorts(const std::string& address,
                                            const EnvironmentLookup& environment) {
  std::set<std::uint16_t> ports = {kNameLookupPort, kHttpPort, kHttpsPort};
  if (const auto port = PortOf(NewsUrl(address), AddressDefaultPort)) ports.insert(*port);
  for (const PassedVariable& variable : kHelperEnvironment) {
    if (variable.use != HelperVariable::kProxy) continue;
    const char* proxy = environment(variable.name);
    if (proxy == nullptr || *proxy == '\0') continue;
    // libcurl takes a proxy written without a scheme as an HTTP proxy.
    const std::string_view text(proxy);
    const std::string url = text.find("://") == std::string_view::npos
                                ? "http://" + std::string(text)
                                : std::string(text);
    if (const auto port = PortOf(url, ProxyDefaultPort)) ports.insert(*port);
  }
  return {ports.begin(), ports.end()};
}

bool EnterNewsSandbox(std::span<const std::uint16_t> connect_ports,
                      const std::string& certificate_folders) {
  return close_range(3, ~0U, 0) == 0 && LimitResources() &&
         prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 &&
         RestrictFileSystem(connect_ports, certificate_folders) && DropCapabilities() &&
         // After the file view, whose user namespace maps are written through /proc/self: no
         // core reaches the system's handler, and no other process of the user's may trace it
         // or read its memory.
         prctl(PR_SET_DUMPABLE, 0, 0, 0, 0) == 0 && FilterSystemCalls();
}

}  // namespace voltarik
