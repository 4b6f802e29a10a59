#include "pages/switcher/stream_decoder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSet>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <algorithm>
#include <cstdlib>
#include <optional>

#include "app/error_box.h"
#include "link/trace.h"

#ifdef Q_OS_UNIX
#include <signal.h>

#include <cerrno>
#endif

namespace {
const QString kSettingsFileName = QStringLiteral("Configure.ini");
const QString kStateKey = QStringLiteral("Settings/decode_state");
const QString kOpen = QStringLiteral("on");
// The value is read into a buffer of 100 bytes: up to 99 characters count.
constexpr int kStateChars = 99;

QString g_program_dir;
QString g_fallback_dir;
// Settings folders whose use instead of the program's folder has been traced.
QSet<QString> g_fallback_reported;

// The decoder this process started: its program, its process id and the
// process's start time, which tells it apart from a later process that
// received the same id.
struct StartedDecoder {
  QString program;
  qint64 pid = 0;
  QByteArray start_time;
};
std::optional<StartedDecoder> g_started;

QString program_dir() {
  return g_program_dir.isEmpty() ? QCoreApplication::applicationDirPath() : g_program_dir;
}

QString fallback_dir() {
  return g_fallback_dir.isEmpty()
             ? QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation)
             : g_fallback_dir;
}

// True when a new file can be made in `dir` (the settings file is replaced
// through a temporary file and guarded by a lock file beside it) and the
// settings file there, if present, can be written.
bool settings_writable_in(const QString& dir) {
  const QString path = QDir(dir).filePath(kSettingsFileName);
  const QFileInfo file(path);
  if (file.exists()) {
    if (!file.isFile()) return false;
    QFile existing(path);
    if (!existing.open(QIODevice::WriteOnly | QIODevice::Append)) return false;
  }
  QTemporaryFile probe(QDir(dir).filePath(kSettingsFileName + QStringLiteral(".XXXXXX")));
  return probe.open();
}

// Configure.ini beside the program, or in the fallback folder when it cannot
// be written there (said once per folder in the trace).
QString settings_file(const QString& dir) {
  if (settings_writable_in(dir)) return QDir(dir).filePath(kSettingsFileName);
  const QString other = fallback_dir();
  QDir().mkpath(other);
  if (!g_fallback_reported.contains(dir)) {
    g_fallback_reported.insert(dir);
    trace(lcSwitcher(), "%s cannot be written in %s; using %s\n", qUtf8Printable(kSettingsFileName),
          qUtf8Printable(QDir::toNativeSeparators(dir)),
          qUtf8Printable(QDir::toNativeSeparators(other)));
  }
  return QDir(other).filePath(kSettingsFileName);
}

#ifdef Q_OS_LINUX
// Fields of /proc/<pid>/stat after the command name: the state (field 3) and
// the start time in clock ticks after boot (field 22). Empty when the process
// does not exist.
struct ProcStat {
  char state = 0;
  QByteArray start_time;
};
std::optional<ProcStat> read_proc_stat(qint64 pid) {
  QFile file(QStringLiteral("/proc/%1/stat").arg(pid));
  if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
  const QByteArray text = file.readAll();
  // The command name is in parentheses and may itself hold spaces or ')'.
  const qsizetype close = text.lastIndexOf(')');
  if (close < 0) return std::nullopt;
  const QList<QByteArray> fields = text.mid(close + 1).simplified().split(' ');
  constexpr int kStateField = 0;       // field 3
  constexpr int kStartTimeField = 19;  // field 22
  if (fields.size() <= kStartTimeField || fields[kStateField].isEmpty()) return std::nullopt;
  return ProcStat{fields[kStateField].at(0), fields[kStartTimeField]};
}
#endif

QByteArray process_start_time(qint64 pid) {
#ifdef Q_OS_LINUX
  if (const auto stat = read_proc_stat(pid)) return stat->start_time;
#else
  Q_UNUSED(pid);
#endif
  return {};
}

bool still_runs(const StartedDecoder& decoder) {
#ifdef Q_OS_LINUX
  if (const auto stat = read_proc_stat(decoder.pid)) {
    // A zombie has ended; a process with another start time is not ours.
    return stat->state != 'Z' && stat->state != 'X' && stat->start_time == decoder.start_time;
  }
  if (QFileInfo::exists(QStringLiteral("/proc/self/stat"))) return false;
#endif
#ifdef Q_OS_UNIX
  return ::kill(static_cast<pid_t>(decoder.pid), 0) == 0 || errno == EPERM;
#else
  // Without a way to ask, the decoder counts as open, as a flag left by
  // another run of the panel does.
  Q_UNUSED(decoder);
  return true;
#endif
}

// True when this process started `program` and that decoder has ended.
bool own_decoder_ended(const QString& program) {
  return g_started && g_started->program == program && !still_runs(*g_started);
}

// Starts the program with no parameters in the panel's own working folder.
bool start_decoder(const QString& program, qint64* pid, QString* why) {
  const QFileInfo info(program);
  if (!info.exists()) {
    *why = QStringLiteral("the file does not exist");
    return false;
  }
  // The decoder is a program of its own and must not hold the panel's
  // sockets or serial port (an inherited socket would keep the panel's ports
  // bound after the page that opened them has closed them): every one of
  // them is opened close-on-exec where it is opened, in link/ and in the
  // switcher's workers.
  QProcess process;
  process.setProgram(program);
  if (process.startDetached(pid)) return true;
  if (info.isDir())
    *why = QStringLiteral("it is a folder");
  else if (!info.isExecutable())
    *why = QStringLiteral("the file is not executable");
  else
    *why = process.errorString();
  return false;
}

void write_state(QSettings& settings, const QVariant& value) {
  if (value.isValid())
    settings.setValue(kStateKey, value);
  else
    settings.remove(kStateKey);
  settings.sync();
  if (settings.status() != QSettings::NoError)
    trace(lcSwitcher(), "cannot write %s\n",
          qUtf8Printable(QDir::toNativeSeparators(settings.fileName())));
}
}  // namespace

void set_stream_decoder_program_dir(const QString& dir) {
  g_program_dir = dir;
  g_started.reset();
}

void set_stream_decoder_fallback_dir(const QString& dir) { g_fallback_dir = dir; }

QString stream_decoder_program_name() {
#ifdef Q_OS_WIN
  return QStringLiteral("DecodeH264.exe");
#else
  return QStringLiteral("DecodeH264");
#endif
}

void OnStreamOn() {
  const QString dir = program_dir();
  trace(lcSwitcher(), "%s", qUtf8Printable(QDir::toNativeSeparators(dir)));
  const QString program = QDir(dir).filePath(stream_decoder_program_name());
  QSettings settings(settings_file(dir), QSettings::IniFormat);
  const QVariant previous = settings.value(kStateKey);
  // "on" left by another run of the panel, or by this one while its decoder
  // runs, means open; a decoder this process started that has ended since
  // can be started again.
  if (previous.toString().left(kStateChars) == kOpen && !own_decoder_ended(program)) {
    trace(lcSwitcher(), "decode page have open\n");
    return;
  }
  write_state(settings, kOpen);
  qint64 pid = 0;
  QString why;
  if (!start_decoder(program, &pid, &why)) {
    // Left at "on", the flag would refuse every later try.
    write_state(settings, previous);
    const QString native = QDir::toNativeSeparators(program);
    trace(lcSwitcher(), "cannot start %s: %s\n", qUtf8Printable(native), qUtf8Printable(why));
    show_error(QStringLiteral("Cannot start the stream decoder %1: %2").arg(native, why));
    return;
  }
  g_started = StartedDecoder{program, pid, process_start_time(pid)};
}
