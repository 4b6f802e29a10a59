#include "show/show_file.h"

#include <arpa/inet.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QSaveFile>
#include <cmath>
#include <set>

#include "devices/device_address.h"
#include "devices/multiviewer/mv_model.h"
#include "devices/small_file.h"

namespace {

// The first fault found; reading stops there.
struct Reader {
  QString error;

  bool fail(const QString& key, const QString& why) {
    if (error.isEmpty()) error = key + QStringLiteral(": ") + why;
    return false;
  }

  // Refuses keys the object may not hold.
  bool only_keys(const QJsonObject& object, const QString& key,
                 std::initializer_list<const char*> allowed) {
    for (auto it = object.begin(); it != object.end(); ++it) {
      bool known = false;
      for (const char* a : allowed) known = known || it.key() == QLatin1String(a);
      if (!known) {
        const QString where = key.isEmpty() ? it.key() : key + QLatin1Char('.') + it.key();
        return fail(where, QStringLiteral("unknown key"));
      }
    }
    return true;
  }

  bool object(const QJsonValue& v, const QString& key, QJsonObject& out) {
    if (!v.isObject()) return fail(key, QStringLiteral("must be an object"));
    out = v.toObject();
    return true;
  }

  bool array(const QJsonValue& v, const QString& key, QJsonArray& out) {
    if (!v.isArray()) return fail(key, QStringLiteral("must be a list"));
    out = v.toArray();
    return true;
  }

  bool integer(const QJsonValue& v, const QString& key, int low, int high, int& out) {
    const double d = v.toDouble(std::nan(""));
    if (!v.isDouble() || std::floor(d) != d)
      return fail(key, QStringLiteral("must be a whole number"));
    if (d < low || d > high)
      return fail(key, QStringLiteral("%1 is out of range (%2 to %3)")
                           .arg(QString::number(d, 'g', 12))
                           .arg(low)
                           .arg(high));
    out = static_cast<int>(d);
    return true;
  }

  bool text(const QJsonValue& v, const QString& key, QString& out) {
    if (!v.isString()) return fail(key, QStringLiteral("must be a text"));
    out = v.toString();
    return true;
  }

  bool device(const QJsonObject& parent, const QString& key, ShowDevice& out) {
    QString text_value;
    if (!parent.contains(QLatin1String("device")))
      return fail(key + QStringLiteral(".device"), QStringLiteral("missing"));
    if (!text(parent.value(QLatin1String("device")), key + QStringLiteral(".device"), text_value))
      return false;
    std::string why;
    const std::optional<ManualDevice> d = parse_device_with_id(text_value.toStdString(), &why);
    if (!d)
      return fail(key + QStringLiteral(".device"),
                  QStringLiteral("\"%1\": %2").arg(text_value, QString::fromStdString(why)));
    out.address = d->address;
    out.id = d->id;
    return true;
  }

  // The feed of one input: exactly one of router_output and source.
  bool feed(const QJsonObject& item, const QString& key, ShowFeed& out) {
    const bool by_router = item.contains(QLatin1String("router_output"));
    const bool by_source = item.contains(QLatin1String("source"));
    if (by_router == by_source)
      return fail(key, QStringLiteral("needs either router_output or source"));
    int n = 0;
    if (by_router) {
      if (!integer(item.value(QLatin1String("router_output")),
                   key + QStringLiteral(".router_output"), 1, kShowRouterPorts, n))
        return false;
      out = {ShowFeed::Kind::RouterOutput, static_cast<uint8_t>(n)};
    } else {
      if (!integer(item.value(QLatin1String("source")), key + QStringLiteral(".source"), 1,
                   kShowSources, n))
        return false;
      out = {ShowFeed::Kind::Source, static_cast<uint8_t>(n)};
    }
    return true;
  }

  // "inputs": [{"<number_key>": n, feed}], each number once.
  template <size_t N>
  bool inputs(const QJsonObject& parent, const QString& key, const char* number_key,
              std::array<ShowFeed, N>& out) {
    if (!parent.contains(QLatin1String("inputs"))) return true;
    const QString list_key = key + QStringLiteral(".inputs");
    QJsonArray list;
    if (!array(parent.value(QLatin1String("inputs")), list_key, list)) return false;
    for (qsizetype i = 0; i < list.size(); ++i) {
      const QString item_key = QStringLiteral("%1[%2]").arg(list_key).arg(i);
      QJsonObject item;
      if (!object(list.at(i), item_key, item)) return false;
      if (!only_keys(item, item_key, {number_key, "router_output", "source"})) return false;
      const QString n_key = item_key + QLatin1Char('.') + QLatin1String(number_key);
      if (!item.contains(QLatin1String(number_key))) return fail(n_key, QStringLiteral("missing"));
      int n = 0;
      if (!integer(item.value(QLatin1String(number_key)), n_key, 1, static_cast<int>(N), n))
        return false;
      if (out[n - 1].kind != ShowFeed::Kind::None)
        return fail(n_key,
                    QStringLiteral("%1 %2 is listed twice").arg(QLatin1String(number_key)).arg(n));
      if (!feed(item, item_key, out[n - 1])) return false;
    }
    return true;
  }

  // "A.B.C.D" (port 0) or "A.B.C.D:PORT".
  bool peer(const QJsonValue& v, const QString& key, bool with_port, ShowPeer& out) {
    QString t;
    if (!text(v, key, t)) return false;
    std::string s = t.toStdString();
    uint16_t port = 0;
    if (with_port) {
      const size_t colon = s.rfind(':');
      if (colon == std::string::npos)
        return fail(key, QStringLiteral("\"%1\": needs ADDRESS:PORT").arg(t));
      const QString port_text = QString::fromStdString(s.substr(colon + 1));
      bool ok = false;
      const uint p = port_text.toUInt(&ok);
      if (!ok || p < 1 || p > 65535 || port_text.startsWith(QLatin1Char('+')))
        return fail(key, QStringLiteral("\"%1\": the port must be 1 to 65535").arg(t));
      port = static_cast<uint16_t>(p);
      s.resize(colon);
    }
    const std::string why = check_device_address(s);
    if (!why.empty())
      return fail(key, QStringLiteral("\"%1\": %2").arg(t, QString::fromStdString(why)));
    out = {s, port};
    return true;
  }

  bool peers(const QJsonObject& parent, const QString& key, const char* name, bool with_port,
             std::vector<ShowPeer>& out) {
    if (!parent.contains(QLatin1String(name))) return true;
    const QString list_key = key + QLatin1Char('.') + QLatin1String(name);
    QJsonArray list;
    if (!array(parent.value(QLatin1String(name)), list_key, list)) return false;
    if (list.size() > kShowTslPeersMax)
      return fail(list_key, QStringLiteral("at most %1 entries").arg(kShowTslPeersMax));
    for (qsizetype i = 0; i < list.size(); ++i) {
      ShowPeer p;
      if (!peer(list.at(i), QStringLiteral("%1[%2]").arg(list_key).arg(i), with_port, p))
        return false;
      out.push_back(p);
    }
    return true;
  }

  bool colour(const QJsonObject& parent, const QString& key, const char* name, uint8_t& out) {
    if (!parent.contains(QLatin1String(name))) return true;
    const QString k = key + QLatin1Char('.') + QLatin1String(name);
    QString t;
    if (!text(parent.value(QLatin1String(name)), k, t)) return false;
    const std::optional<uint8_t> code = colour_code(t);
    if (!code) return fail(k, QStringLiteral("\"%1\" is no colour of the multiviewer").arg(t));
    out = *code;
    return true;
  }

  bool read(const QJsonObject& root, Show& show) {
    if (!only_keys(root, {}, {"sources", "multiviewer", "router", "switcher", "tally", "tsl"}))
      return false;
    if (root.contains(QLatin1String("sources"))) {
      QJsonArray list;
      if (!array(root.value(QLatin1String("sources")), QStringLiteral("sources"), list))
        return false;
      for (qsizetype i = 0; i < list.size(); ++i) {
        const QString key = QStringLiteral("sources[%1]").arg(i);
        QJsonObject item;
        if (!object(list.at(i), key, item) || !only_keys(item, key, {"number", "name"}))
          return false;
        int n = 0;
        QString name;
        if (!item.contains(QLatin1String("number")))
          return fail(key + QStringLiteral(".number"), QStringLiteral("missing"));
        if (!item.contains(QLatin1String("name")))
          return fail(key + QStringLiteral(".name"), QStringLiteral("missing"));
        if (!integer(item.value(QLatin1String("number")), key + QStringLiteral(".number"), 1,
                     kShowSources, n) ||
            !text(item.value(QLatin1String("name")), key + QStringLiteral(".name"), name))
          return false;
        if (!show.source_names[n - 1].isEmpty())
          return fail(key + QStringLiteral(".number"),
                      QStringLiteral("source %1 is listed twice").arg(n));
        if (name.isEmpty()) return fail(key + QStringLiteral(".name"), QStringLiteral("empty"));
        if (name.size() > kShowNameMaxUnits)
          return fail(key + QStringLiteral(".name"),
                      QStringLiteral("\"%1\" is longer than %2 characters")
                          .arg(name)
                          .arg(kShowNameMaxUnits));
        for (QChar c : name)
          if (c.category() == QChar::Other_Control)
            return fail(key + QStringLiteral(".name"), QStringLiteral("holds a control character"));
        show.source_names[n - 1] = name;
      }
    }
    QJsonObject o;
    if (root.contains(QLatin1String("multiviewer"))) {
      const QString key = QStringLiteral("multiviewer");
      if (!object(root.value(key), key, o) || !only_keys(o, key, {"device", "inputs"}) ||
          !device(o, key, show.multiviewer) || !inputs(o, key, "sdi", show.multiviewer_inputs))
        return false;
    }
    if (root.contains(QLatin1String("router"))) {
      const QString key = QStringLiteral("router");
      if (!object(root.value(key), key, o) || !only_keys(o, key, {"device", "routes"}) ||
          !device(o, key, show.router))
        return false;
      if (o.contains(QLatin1String("routes"))) {
        QJsonArray list;
        if (!array(o.value(QLatin1String("routes")), QStringLiteral("router.routes"), list))
          return false;
        std::set<int> outputs;
        for (qsizetype i = 0; i < list.size(); ++i) {
          const QString k = QStringLiteral("router.routes[%1]").arg(i);
          QJsonObject item;
          int out = 0, in = 0;
          if (!object(list.at(i), k, item) || !only_keys(item, k, {"output", "input"}) ||
              !integer(item.value(QLatin1String("output")), k + QStringLiteral(".output"), 1,
                       kShowRouterPorts, out) ||
              !integer(item.value(QLatin1String("input")), k + QStringLiteral(".input"), 1,
                       kShowRouterPorts, in))
            return false;
          if (!outputs.insert(out).second)
            return fail(k + QStringLiteral(".output"),
                        QStringLiteral("output %1 is listed twice").arg(out));
          show.router_routes.push_back({static_cast<uint8_t>(out), static_cast<uint8_t>(in)});
        }
      }
    }
    if (root.contains(QLatin1String("switcher"))) {
      const QString key = QStringLiteral("switcher");
      if (!object(root.value(key), key, o) || !only_keys(o, key, {"device", "inputs"}) ||
          !device(o, key, show.switcher) || !inputs(o, key, "input", show.switcher_inputs))
        return false;
    }
    if (root.contains(QLatin1String("tally"))) {
      const QString key = QStringLiteral("tally");
      if (!object(root.value(key), key, o) || !only_keys(o, key, {"program", "preview"}) ||
          !colour(o, key, "program", show.program_colour) ||
          !colour(o, key, "preview", show.preview_colour))
        return false;
    }
    if (root.contains(QLatin1String("tsl"))) {
      const QString key = QStringLiteral("tsl");
      int n = 0;
      if (!object(root.value(key), key, o) ||
          !only_keys(o, key, {"listen", "from", "send", "screen"}))
        return false;
      if (o.contains(QLatin1String("listen"))) {
        if (!integer(o.value(QLatin1String("listen")), QStringLiteral("tsl.listen"), 0, 65535, n))
          return false;
        show.tsl_listen = static_cast<uint16_t>(n);
      }
      if (o.contains(QLatin1String("screen"))) {
        if (!integer(o.value(QLatin1String("screen")), QStringLiteral("tsl.screen"), 0, 65534, n))
          return false;
        show.tsl_screen = static_cast<uint16_t>(n);
      }
      if (!peers(o, key, "from", false, show.tsl_from) ||
          !peers(o, key, "send", true, show.tsl_send))
        return false;
    }
    return true;
  }
};

QString device_text(const ShowDevice& d) {
  return QStringLiteral("%1,%2").arg(QString::fromStdString(d.address)).arg(d.id);
}

QJsonArray inputs_json(std::span<const ShowFeed> feeds, const char* number_key) {
  QJsonArray list;
  for (size_t i = 0; i < feeds.size(); ++i) {
    if (feeds[i].kind == ShowFeed::Kind::None) continue;
    QJsonObject item{{QLatin1String(number_key), static_cast<int>(i + 1)}};
    item.insert(feeds[i].kind == ShowFeed::Kind::RouterOutput ? QStringLiteral("router_output")
                                                              : QStringLiteral("source"),
                feeds[i].number);
    list.append(item);
  }
  return list;
}

}  // namespace

std::optional<uint8_t> colour_code(const QString& name) {
  for (size_t i = 0; i < kColourCodeNames.size(); ++i)
    if (name.compare(QLatin1String(kColourCodeNames[i]), Qt::CaseInsensitive) == 0)
      return static_cast<uint8_t>(i);
  return std::nullopt;
}

int fed_source(const ShowFeed& feed, const std::array<uint8_t, kShowRouterPorts>& routed) {
  switch (feed.kind) {
    case ShowFeed::Kind::Source:
      return feed.number;
    case ShowFeed::Kind::RouterOutput:
      return feed.number >= 1 && feed.number <= kShowRouterPorts ? routed[feed.number - 1] : 0;
    case ShowFeed::Kind::None:
      break;
  }
  return 0;
}

ShowRead read_show(const QByteArray& bytes) {
  ShowRead result;
  if (bytes.size() > kShowFileMaxBytes) {
    result.error = QStringLiteral("more than %1 bytes").arg(kShowFileMaxBytes);
    return result;
  }
  QJsonParseError parse{};
  const QJsonDocument doc = QJsonDocument::fromJson(bytes, &parse);
  if (parse.error != QJsonParseError::NoError) {
    result.error =
        QStringLiteral("not JSON (%1 at byte %2)").arg(parse.errorString()).arg(parse.offset);
    return result;
  }
  if (!doc.isObject()) {
    result.error = QStringLiteral("the file must hold one JSON object");
    return result;
  }
  Reader reader;
  Show show;
  if (!reader.read(doc.object(), show)) {
    result.error = reader.error;
    return result;
  }
  result.show = std::move(show);
  return result;
}

QByteArray write_show(const Show& show) {
  QJsonObject root;
  QJsonArray sources;
  for (int n = 1; n <= kShowSources; ++n)
    if (!show.source_names[n - 1].isEmpty())
      sources.append(QJsonObject{{QStringLiteral("number"), n},
                                 {QStringLiteral("name"), show.source_names[n - 1]}});
  root.insert(QStringLiteral("sources"), sources);
  if (show.multiviewer.named())
    root.insert(
        QStringLiteral("multiviewer"),
        QJsonObject{{QStringLiteral("device"), device_text(show.multiviewer)},
                    {QStringLiteral("inputs"), inputs_json(show.multiviewer_inputs, "sdi")}});
  if (show.router.named()) {
    QJsonObject router{{QStringLiteral("device"), device_text(show.router)}};
    if (!show.router_routes.empty()) {
      QJsonArray routes;
      for (const ShowRoute& r : show.router_routes)
        routes.append(
            QJsonObject{{QStringLiteral("output"), r.output}, {QStringLiteral("input"), r.input}});
      router.insert(QStringLiteral("routes"), routes);
    }
    root.insert(QStringLiteral("router"), router);
  }
  if (show.switcher.named())
    root.insert(
        QStringLiteral("switcher"),
        QJsonObject{{QStringLiteral("device"), device_text(show.switcher)},
                    {QStringLiteral("inputs"), inputs_json(show.switcher_inputs, "input")}});
  root.insert(
      QStringLiteral("tally"),
      QJsonObject{
          {QStringLiteral("program"), QLatin1String(kColourCodeNames[show.program_colour & 15])},
          {QStringLiteral("preview"), QLatin1String(kColourCodeNames[show.preview_colour & 15])}});
  QJsonArray from, send;
  for (const ShowPeer& p : show.tsl_from) from.append(QString::fromStdString(p.address));
  for (const ShowPeer& p : show.tsl_send)
    send.append(QStringLiteral("%1:%2").arg(QString::fromStdString(p.address)).arg(p.port));
  root.insert(QStringLiteral("tsl"), QJsonObject{{QStringLiteral("listen"), show.tsl_listen},
                                                 {QStringLiteral("from"), from},
                                                 {QStringLiteral("send"), send},
                                                 {QStringLiteral("screen"), show.tsl_screen}});
  return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

ShowRead load_show_file(const QString& path) {
  const SmallFile file = load_small_file(path, kShowFileMaxBytes, QStringLiteral("a show file"));
  if (!file.ok()) return {std::nullopt, file.error};
  ShowRead read = read_show(file.bytes);
  if (!read.ok()) read.error = path + QStringLiteral(": ") + read.error;
  return read;
}

QString save_show_file(const QString& path, const Show& show) {
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly))
    return QStringLiteral("Cannot write %1: %2").arg(path, file.errorString());
  const QByteArray bytes = write_show(show);
  if (file.write(bytes) != bytes.size() || !file.commit())
    return QStringLiteral("Cannot write %1: %2").arg(path, file.errorString());
  return {};
}
