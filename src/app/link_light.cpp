#include "app/link_light.h"

#include <QHelpEvent>
#include <QPainter>
#include <QToolTip>

namespace {
const QColor kUnlit(70, 74, 80);
const QColor kGreen(60, 200, 90);
const QColor kAmber(240, 170, 30);
const QColor kBlue(60, 150, 255);
constexpr int kRadius = 4;
// The widget's rectangle in the main window, around the three dots.
const QRect kArea(1170, 70, 64, 20);
}  // namespace

LinkLight::LinkLight(QWidget* parent, std::function<LinkLightState()> source)
    : QWidget(parent), m_source(std::move(source)) {
  setObjectName(QStringLiteral("link_light"));
  setGeometry(kArea);
  setAttribute(Qt::WA_TranslucentBackground);
}

QColor LinkLight::dot_colour(const LinkLightState& s, int dot) {
  switch (dot) {
    case 0:
      return s.selected && s.link.state == LinkHealth::State::Answered ? kGreen : kUnlit;
    case 1:
      return s.selected && s.link.state == LinkHealth::State::Unanswered ? kAmber : kUnlit;
    default:
      return s.serial_open ? kBlue : kUnlit;
  }
}

QString LinkLight::describe(const LinkLightState& s) {
  QString text;
  if (!s.selected) {
    text = QStringLiteral("Link: no device selected");
  } else {
    const QString when = s.link.when.toString(QStringLiteral("HH:mm:ss"));
    switch (s.link.state) {
      case LinkHealth::State::None:
        text = QStringLiteral("Link to %1: nothing sent yet").arg(s.device);
        break;
      case LinkHealth::State::OneWay:
        text = QStringLiteral("Link to %1: only one-way commands so far, which are not answered")
                   .arg(s.device);
        break;
      case LinkHealth::State::Answered:
        text = QStringLiteral("Link to %1: last query answered at %2").arg(s.device, when);
        break;
      case LinkHealth::State::Unanswered:
        text = QStringLiteral("Link to %1: last query unanswered at %2").arg(s.device, when);
        break;
    }
  }
  text += s.serial_open ? QStringLiteral("\nSerial port %1 open").arg(s.serial_port)
                        : QStringLiteral("\nSerial port closed");
  return text;
}

void LinkLight::paintEvent(QPaintEvent*) {
  const LinkLightState s = m_source();
  QPainter p(this);
  p.setPen(Qt::NoPen);
  for (int dot = 0; dot < 3; ++dot) {
    p.setBrush(dot_colour(s, dot));
    p.drawEllipse(QPointF(dot_centre(dot) - kArea.topLeft()), kRadius, kRadius);
  }
}

bool LinkLight::event(QEvent* event) {
  if (event->type() == QEvent::ToolTip) {
    auto* help = static_cast<QHelpEvent*>(event);
    QToolTip::showText(help->globalPos(), describe(m_source()), this);
    return true;
  }
  return QWidget::event(event);
}
