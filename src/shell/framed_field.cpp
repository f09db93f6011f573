#include "shell/framed_field.h"

#include <QEvent>
#include <QLineEdit>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>

FramedField::FramedField(QWidget* parent) : QWidget(parent), field_(new QLineEdit(this)) {
    field_->setFrame(false);
    field_->setReadOnly(true);
    // Without a frame the field fills all of itself, so nothing behind it is drawn again
    // when its text changes.
    field_->setAttribute(Qt::WA_OpaquePaintEvent);
    field_->installEventFilter(this);
    setFocusProxy(field_);
}

QWidget* Placed(QWidget* control) {
    auto* frame = dynamic_cast<FramedField*>(control->parentWidget());
    return frame != nullptr && frame->field() == control ? frame : control;
}

QStyleOptionFrame FramedField::FrameOption() const {
    QStyleOptionFrame option;
    option.initFrom(field_);
    option.rect = rect();
    option.lineWidth = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, field_);
    option.midLineWidth = 0;
    option.state |= QStyle::State_Sunken | QStyle::State_ReadOnly;
    option.features = QStyleOptionFrame::None;
    return option;
}

void FramedField::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QStyleOptionFrame option = FrameOption();
    style()->drawPrimitive(QStyle::PE_PanelLineEdit, &option, &painter, field_);
}

void FramedField::resizeEvent(QResizeEvent*) {
    // Where a framed line edit puts its text, so the text sits where it always did.
    const QStyleOptionFrame option = FrameOption();
    field_->setGeometry(style()->subElementRect(QStyle::SE_LineEditContents, &option, field_));
}

bool FramedField::eventFilter(QObject* watched, QEvent* event) {
    // The frame shows whether the field has the focus.
    if (watched == field_ &&
        (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut ||
         event->type() == QEvent::EnabledChange || event->type() == QEvent::PaletteChange)) {
        update();
    }
    return QWidget::eventFilter(watched, event);
}
