#pragma once
// Unasked datagrams on one socket (the switcher's report port), read by one
// thread and handed to whoever follows their sender.
//
// The thread blocks in poll() on the socket and a stop pipe and takes what is
// waiting in batches of up to kFeedBatch datagrams (recvmmsg), so a flood
// costs bounded work per wake. Each follower names the IPv4 address it
// follows and gets, once per batch, the datagrams from that address in the
// order they came; datagrams no follower wants are counted and traced now
// and then, never one line each.
//
// Roles: a Fallback follower is handed a batch only while no Primary
// follower follows the same address. The switcher page follows as Primary
// and applies every report itself; the show follows as Fallback, so it
// follows the reports while the page is closed and never applies one twice.
// Whether a batch goes to the page or the show is decided under the same
// lock as the followers change, so no report is lost or doubled when the
// page opens or closes.
//
// Handlers run on the feed's thread, under the followers' lock: remove()
// returns only once no handler of that follower runs or will run, so its
// owner may go right after. A handler must not add or remove followers.
#include <netinet/in.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <span>
#include <thread>
#include <vector>

constexpr unsigned kFeedBatch = 64;
constexpr size_t kFeedDatagramMax = 1400;

class ReportFeed {
 public:
  using Datagrams = std::span<const std::span<const uint8_t>>;
  using Handler = std::function<void(Datagrams)>;
  enum class Role : uint8_t { Primary, Fallback };

  ReportFeed();
  ~ReportFeed();  // stops the thread
  ReportFeed(const ReportFeed&) = delete;
  ReportFeed& operator=(const ReportFeed&) = delete;

  // Starts reading `fd` (not owned) on the feed's thread. False when it
  // cannot (no stop pipe) or already runs.
  bool start(int fd);
  // Wakes the thread and waits until it has left. The followers stay.
  void stop();
  bool running() const { return m_thread.joinable(); }

  // A follower of `from`; the token names it for remove (never 0).
  uint64_t add(in_addr from, Role role, Handler handler);
  // False for a token that follows nothing.
  bool remove(uint64_t token);
  size_t followers() const;

 private:
  struct Follower {
    uint64_t token;
    in_addr from;
    Role role;
    Handler handler;
  };
  void loop(int fd);
  // Hands one batch to the followers (the thread, under m_mutex).
  void dispatch(std::span<const sockaddr_in> from, std::span<const socklen_t> from_length,
                std::span<const std::span<const uint8_t>> datagrams);
  bool wanted(const Follower& f) const;

  mutable std::mutex m_mutex;  // guards m_followers and every handler's run
  std::vector<Follower> m_followers;
  uint64_t m_next_token = 1;
  std::atomic<bool> m_run{false};
  int m_stop_pipe[2] = {-1, -1};
  std::thread m_thread;
  // The thread's own: reused for every batch.
  std::vector<std::span<const uint8_t>> m_picked;
  unsigned long long m_unfollowed = 0;
  bool m_unfollowed_traced = false;
  int64_t m_unfollowed_last_ms = 0;
};
