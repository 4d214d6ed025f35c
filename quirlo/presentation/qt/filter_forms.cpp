#include "quirlo/presentation/qt/filter_forms.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QStandardItemModel>
#include <QVBoxLayout>

#include "quirlo/presentation/qt/numedit.h"

namespace quirlo::presentation {

namespace {

char DecimalSeparator() {
  const QString point = QLocale().decimalPoint();
  return point.size() == 1 && point[0].unicode() < 128 ? char(point[0].unicode()) : '.';
}

QString Text(const std::string& s) { return QString::fromStdString(s); }

// Link captions may carry a "\r\n" line break; a button breaks on "\n" alone.
QString LinkText(const char* s) { return QString::fromLatin1(s).replace("\r\n", "\n"); }

// Class name of the calibration dialog of each kind.
const char* CalibrationClass(TInputKind kind) {
  switch (kind) {
    case TInputKind::Analog: return "TAnalogForm";
    case TInputKind::Digital: return "TDigitalForm";
    case TInputKind::Rate: return "TRateForm";
  }
  return "";
}

bool IsCalibrationDialog(const QWidget* w, TInputKind kind) {
  if (w == nullptr) return false;
  const QString name = QString::fromLatin1(w->metaObject()->className());
  const QString wanted = QString::fromLatin1(CalibrationClass(kind));
  return name == wanted || name.endsWith("::" + wanted);
}

}  // namespace

TFilterDialog::TFilterDialog(TFilterKind kind, acquisition::TInputFilters& filters,
                             acquisition::TAcquisitionState& state, TInputDialogs& dialogs,
                             QWidget* parent)
    : QDialog(parent), form_(kind, filters, state), dialogs_(dialogs) {
  Build();
  FillFromRecord();
}

TInputKind TFilterDialog::InputKind() const {
  switch (form_.Kind()) {
    case TFilterKind::Analog: return TInputKind::Analog;
    case TFilterKind::Rate: return TInputKind::Rate;
    case TFilterKind::Digital: return TInputKind::Digital;
  }
  return TInputKind::Analog;
}

void TFilterDialog::Build() {
  auto* layout = new QVBoxLayout(this);

  description_ = new QLabel(this);
  description_->setObjectName("Description");
  layout->addWidget(description_);

  auto* typeRow = new QHBoxLayout;
  typeRow->addWidget(new QLabel("Filter Type", this));
  type_ = new QComboBox(this);
  type_->setObjectName("FilterType");
  const auto choices = FilterChoices(form_.Kind());
  for (const TFilterChoice& c : choices) type_->addItem(QString::fromLatin1(c.Text), int(c.Type));
  if (auto* model = qobject_cast<QStandardItemModel*>(type_->model()))
    for (int i = 0; i < int(choices.size()); ++i) model->item(i)->setEnabled(choices[i].Enabled);
  typeRow->addWidget(type_, 1);
  layout->addLayout(typeRow);

  properties_ = new QGroupBox(QString::fromLatin1(kPropertiesGroupText), this);
  properties_->setObjectName("Properties");
  auto* grid = new QGridLayout(properties_);
  grid->addWidget(new QLabel(QString::fromLatin1(kCountsCaption), properties_), 0, 0);
  counts_ = new TNumEdit(properties_);
  counts_->setObjectName("Counts");
  counts_->SetMin(kMinCounts);
  counts_->SetMax(kMaxCounts);
  counts_->SetDecimals(0);
  grid->addWidget(counts_, 0, 1);
  periodCaption_ = new QLabel(properties_);
  periodCaption_->setObjectName("PeriodCaption");
  period_ = new QLabel(properties_);
  period_->setObjectName("Period");
  grid->addWidget(periodCaption_, 1, 0);
  grid->addWidget(period_, 1, 1);
  layout->addWidget(properties_);

  auto* values = new QGridLayout;
  values->addWidget(new QLabel("Unfiltered Value", this), 0, 0);
  values->addWidget(new QLabel("Filtered Value", this), 1, 0);
  unfiltered_ = new QLabel(this);
  unfiltered_->setObjectName("Unfiltered");
  filtered_ = new QLabel(this);
  filtered_->setObjectName("Filtered");
  values->addWidget(unfiltered_, 0, 1);
  values->addWidget(filtered_, 1, 1);
  layout->addLayout(values);

  auto* links = new QHBoxLayout;
  auto addLink = [&](const char* text, const char* name, auto slot) {
    auto* b = new QPushButton(LinkText(text), this);
    b->setObjectName(name);
    b->setFlat(true);
    b->setAutoDefault(false);
    connect(b, &QPushButton::clicked, this, slot);
    links->addWidget(b);
    return b;
  };
  // Each dialog links to the filters of the two other kinds and to its own calibration.
  if (form_.Kind() != TFilterKind::Analog)
    addLink(kGoToAnalogText, "GoToAnalog", [this] { GoTo(TInputKind::Analog); });
  if (form_.Kind() != TFilterKind::Digital)
    addLink(kGoToDigitalText, "GoToDigital", [this] { GoTo(TInputKind::Digital); });
  if (form_.Kind() != TFilterKind::Rate)
    addLink(kGoToRateText, "GoToRate", [this] { GoTo(TInputKind::Rate); });
  addLink(kCalibrateThisInputText, "CalibrateThisInput", [this] { CalibrateThisInput(); });
  layout->addLayout(links);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  auto* apply = new QPushButton(Text(ApplyButtonText(form_.Kind())), this);
  apply->setObjectName("ApplyBtn");
  apply->setAutoDefault(false);
  auto* doneBtn = new QPushButton("Done", this);
  doneBtn->setObjectName("DoneBtn");
  doneBtn->setDefault(true);
  buttons->addWidget(apply);
  buttons->addWidget(doneBtn);
  layout->addLayout(buttons);

  connect(type_, &QComboBox::currentIndexChanged, this, &TFilterDialog::TypeChosen);
  connect(counts_, &QLineEdit::textEdited, this, &TFilterDialog::CountsEdited);
  connect(counts_, &TNumEdit::valueChanged, this, &TFilterDialog::CountsEdited);
  connect(apply, &QPushButton::clicked, this, [this] { ApplyClick(); });
  // Like the calibration dialogs: a refused Apply keeps the dialog open on its input.
  connect(doneBtn, &QPushButton::clicked, this, [this] {
    if (ApplyClick()) accept();
  });
}

void TFilterDialog::FillFromRecord() {
  form_.Fill();
  ShowRecord();
}

void TFilterDialog::ShowRecord() {
  setWindowTitle(Text(form_.Title()));
  const int index = type_->findData(int(form_.ChosenType()));
  {
    const QSignalBlocker block(type_);
    type_->setCurrentIndex(index < 0 ? 0 : index);
  }
  {
    const QSignalBlocker block(counts_);
    counts_->SetValue(form_.ChosenCounts());
  }
  ShowProperties();
  ShowLiveValues();
}

void TFilterDialog::ShowFilterDialog(QWidget* caller) {
  caller_ = caller;
  FillFromRecord();
  show();
  raise();
  activateWindow();
}

void TFilterDialog::RefreshFilterDialog() {
  if (isVisible()) ShowLiveValues();
}

bool TFilterDialog::ApplyClick() {
  const bool applied = form_.Apply(ReadCounts(counts_->text().toStdString(), DecimalSeparator()));
  ShowRecord();
  return applied;
}

void TFilterDialog::done(int result) {
  QDialog::done(result);
  if (caller_) {
    caller_->show();
    caller_->raise();
  }
}

void TFilterDialog::TypeChosen(int comboIndex) {
  form_.ChooseType(static_cast<uint8_t>(type_->itemData(comboIndex).toInt()));
  ShowProperties();
}

void TFilterDialog::CountsEdited() {
  if (const auto n = ReadCounts(counts_->text().toStdString(), DecimalSeparator())) {
    form_.ChooseCounts(*n);
    ShowProperties();
  }
}

void TFilterDialog::ShowProperties() {
  properties_->setVisible(form_.GroupVisible());
  periodCaption_->setText(Text(form_.Caption()));
  period_->setText(Text(form_.Period(DecimalSeparator())));
}

void TFilterDialog::ShowLiveValues() {
  description_->setText(Text(form_.Description()));
  unfiltered_->setText(Text(form_.UnfilteredText(DecimalSeparator())));
  filtered_->setText(Text(form_.FilteredText(DecimalSeparator())));
}

void TFilterDialog::GoTo(TInputKind kind) {
  if (!ApplyClick()) return;
  hide();
  dialogs_.ShowFilter(kind, caller_);
}

void TFilterDialog::CalibrateThisInput() {
  if (!ApplyClick()) return;
  hide();
  form_.SelectShownInput();  // the calibration dialog opens on the input shown here
  const TInputKind kind = InputKind();
  dialogs_.ShowCalibration(kind, IsCalibrationDialog(caller_, kind) ? nullptr : caller_.data());
}

TAinFilter::TAinFilter(acquisition::TInputFilters& filters, acquisition::TAcquisitionState& state,
                       TInputDialogs& dialogs, QWidget* parent)
    : TFilterDialog(TFilterKind::Analog, filters, state, dialogs, parent) {}

TFinFilter::TFinFilter(acquisition::TInputFilters& filters, acquisition::TAcquisitionState& state,
                       TInputDialogs& dialogs, QWidget* parent)
    : TFilterDialog(TFilterKind::Rate, filters, state, dialogs, parent) {}

TDinFilter::TDinFilter(acquisition::TInputFilters& filters, acquisition::TAcquisitionState& state,
                       TInputDialogs& dialogs, QWidget* parent)
    : TFilterDialog(TFilterKind::Digital, filters, state, dialogs, parent) {}

}  // namespace quirlo::presentation
