#include "views/TuningEditorView.h"

using platform::Button;
using platform::Color;
using platform::Font;
using platform::Label;
using platform::RectMake;

namespace {

const Color kHeaderText{0.72, 0.74, 0.78, 1};
const Color kText{0.92, 0.92, 0.93, 1};
const Color kWarning{1.0, 0.55, 0.45, 1};
const Color kButtonBody{0.28, 0.29, 0.32, 1};
const Color kDangerBody{0.62, 0.16, 0.14, 1};

constexpr double kRowTop = 136;
constexpr double kRowPitch = 32;
constexpr double kRowHeight = 30;

std::shared_ptr<Label> makeLabel(const platform::Rect& frame, const std::string& text,
                                 const std::shared_ptr<Font>& font, const Color& color) {
  auto label = std::make_shared<Label>(frame);
  label->setText(text);
  label->setFont(font);
  label->setTextColor(color);
  return label;
}

std::shared_ptr<Button> makeButton(const platform::Rect& frame, const std::string& title,
                                   double size = 15, const Color& body = kButtonBody) {
  auto button = std::make_shared<Button>(frame);
  button->setTitle(title);
  button->setTitleFont(Font::boldSystemFontOfSize(size));
  button->setBodyColor(body);
  return button;
}

}  // namespace

TuningEditorView::TuningEditorView(const platform::Rect& frame) : platform::View(frame) {
  setBackgroundColor(Color::viewFlipsideBackgroundColor());
  const auto header = Font::boldSystemFontOfSize(13);

  addSubview(makeLabel(RectMake(20, 52, 280, 18), "Name", header, kHeaderText));
  nameField_ = std::make_shared<platform::TextField>(RectMake(20, 72, 280, 34));
  nameField_->setPlaceholder("e.g. Open C");
  // Wider than the field can show, and still one line of the settings list.
  nameField_->setMaximumLength(40);
  addSubview(nameField_);

  addSubview(makeLabel(RectMake(20, 114, 280, 18), "Strings, lowest first", header, kHeaderText));
  for (int i = 0; i < kRows; ++i) {
    const double y = kRowTop + kRowPitch * i;
    StringRow& row = rows_[static_cast<size_t>(i)];
    row.number = makeLabel(RectMake(20, y, 18, kRowHeight), std::to_string(i + 1),
                           Font::boldSystemFontOfSize(15), kHeaderText);
    row.down = makeButton(RectMake(42, y, 40, kRowHeight), "\u2212", 20);
    row.note = std::make_shared<platform::TextField>(RectMake(86, y, 84, kRowHeight));
    row.note->setTextAlignment(true);
    row.note->setMaximumLength(12);
    row.up = makeButton(RectMake(174, y, 40, kRowHeight), "+", 20);
    row.play = makeButton(RectMake(222, y, 38, kRowHeight), "\u266A", 17);
    row.remove = makeButton(RectMake(264, y, 36, kRowHeight), "\u00D7", 20);
    for (const auto& v : std::initializer_list<std::shared_ptr<platform::View>>{
             row.number, row.down, row.note, row.up, row.play, row.remove}) {
      addSubview(v);
    }
  }

  addButton_ = makeButton(RectMake(20, 398, 135, 32), "Add string");
  deleteButton_ = makeButton(RectMake(165, 398, 135, 32), "Delete tuning\u2026", 15, kDangerBody);
  addSubview(addButton_);
  addSubview(deleteButton_);
  messageLabel_ = makeLabel(RectMake(20, 434, 280, 44), "", Font::systemFontOfSize(13), kWarning);
  messageLabel_->setNumberOfLines(3);
  addSubview(messageLabel_);

  // The question: the screen dimmed, a box with the question and two answers.
  confirmation_ = std::make_shared<platform::View>(bounds());
  confirmation_->setBackgroundColor(Color{0, 0, 0, 0.6});
  auto box = std::make_shared<platform::View>(RectMake(30, 160, 260, 150));
  box->setBackgroundColor(Color{0.22, 0.23, 0.26, 1});
  confirmationLabel_ =
      makeLabel(RectMake(16, 12, 228, 80), "", Font::boldSystemFontOfSize(15), kText);
  confirmationLabel_->setNumberOfLines(0);
  confirmationLabel_->setTextAlignment(platform::TextAlignment::Center);
  keepButton_ = makeButton(RectMake(16, 102, 108, 34), "Keep");
  confirmDeleteButton_ = makeButton(RectMake(136, 102, 108, 34), "Delete", 15, kDangerBody);
  box->addSubview(confirmationLabel_);
  box->addSubview(keepButton_);
  box->addSubview(confirmDeleteButton_);
  confirmation_->addSubview(box);
  confirmation_->setHidden(true);
  addSubview(confirmation_);
}

void TuningEditorView::showRows(int count) {
  for (int i = 0; i < kRows; ++i) {
    const StringRow& row = rows_[static_cast<size_t>(i)];
    const bool hidden = i >= count;
    for (const auto& v : std::initializer_list<std::shared_ptr<platform::View>>{
             row.number, row.down, row.note, row.up, row.play, row.remove}) {
      v->setHidden(hidden);
    }
  }
}

void TuningEditorView::showMessage(const std::string& text, bool warning) {
  messageLabel_->setTextColor(warning ? kWarning : kText);
  messageLabel_->setText(text);
}

void TuningEditorView::showConfirmation(const std::string& question) {
  confirmationLabel_->setText(question);
  confirmation_->setHidden(false);
}

void TuningEditorView::hideConfirmation() {
  confirmation_->setHidden(true);
}
