#include "link/link_health.h"

#include <arpa/inet.h>

QString LinkHealth::udp_key(const sockaddr_in& address) {
  char text[INET_ADDRSTRLEN] = {};
  ::inet_ntop(AF_INET, &address.sin_addr, text, sizeof text);
  return QStringLiteral("udp ") + QString::fromLatin1(text);
}

QString LinkHealth::udp_key(const char* ip, size_t max_len) {
  return QStringLiteral("udp ") + QString::fromLatin1(ip, qstrnlen(ip, max_len));
}

QString LinkHealth::serial_key(const std::string& port_name) {
  return QStringLiteral("serial ") + QString::fromStdString(port_name);
}

void LinkHealth::set(const QString& key, State state, bool stamp) {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    Record& r = m_records[key];
    if (!stamp && r.state == state) return;
    r.state = state;
    if (stamp) r.when = QDateTime::currentDateTime();
  }
  emit changed();
}

void LinkHealth::one_way(const QString& key) {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_records.constFind(key);
    if (it != m_records.constEnd() && it->state != State::None) return;
  }
  set(key, State::OneWay, false);
}

void LinkHealth::answered(const QString& key) { set(key, State::Answered, true); }
void LinkHealth::unanswered(const QString& key) { set(key, State::Unanswered, true); }

LinkHealth::Record LinkHealth::record(const QString& key) const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_records.value(key);
}
