#pragma once
// What the link to each device has really done, for the main window's link
// light: whether the last query (a request that waits for a reply) was
// answered, went unanswered, or whether the device has only been sent
// one-way commands so far. Devices are told apart by their link: the IPv4
// address on the LAN, the port's name on the serial line. Nothing here sends
// or polls anything; the exchanges report what happened as it happens.
//
// Threads: the switcher's T-bar worker sends one-way frames, so every
// operation locks; changed() is emitted from the thread that recorded, and
// reaches a receiver on the user-interface thread as a queued call.
#include <netinet/in.h>

#include <QDateTime>
#include <QHash>
#include <QObject>
#include <QString>
#include <mutex>
#include <string>

class LinkHealth : public QObject {
  Q_OBJECT
 public:
  enum class State {
    None,        // nothing sent yet
    OneWay,      // only one-way commands so far
    Answered,    // the last query was answered
    Unanswered,  // the last query went unanswered
  };
  struct Record {
    State state = State::None;
    QDateTime when;  // time of the last query (answered or not)
  };

  static QString udp_key(const sockaddr_in& address);
  // From a row's NUL-padded dotted-decimal text.
  static QString udp_key(const char* ip, size_t max_len);
  static QString serial_key(const std::string& port_name);

  // A one-way command went out; changes only a device never queried.
  void one_way(const QString& key);
  // A query was answered / ran to its bound without an answer.
  void answered(const QString& key);
  void unanswered(const QString& key);

  Record record(const QString& key) const;

 signals:
  // A record changed (or the serial port opened or closed).
  void changed();

 private:
  void set(const QString& key, State state, bool stamp);
  mutable std::mutex m_mutex;
  QHash<QString, Record> m_records;  // guarded by m_mutex
};
