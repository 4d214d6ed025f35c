#include "quirlo/presentation/qt/calibration_forms.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "quirlo/presentation/input_text.h"
#include "quirlo/presentation/qt/numedit.h"

namespace quirlo::presentation {

namespace acq = quirlo::acquisition;

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

// "Go To\r\nFrequency Inputs": the link's text breaks after "Go To".
constexpr const char* kGoToRateText = "Go To\nFrequency Inputs";

int InputCount(TInputKind kind) {
  switch (kind) {
    case TInputKind::Analog: return acq::kAnalogInputs;
    case TInputKind::Digital: return acq::kDigitalInputs;
    case TInputKind::Rate: return acq::kRateInputs;
  }
  return 0;
}

QString InputName(TInputKind kind, int index) {
  const char* name = kind == TInputKind::Analog    ? "Analog Input "
                     : kind == TInputKind::Digital ? "Digital Input "
                                                   : "Frequency Input ";
  return QString(name) + QString::number(index + 1);
}

std::string Caption(TInputKind kind, int index) {
  switch (kind) {
    case TInputKind::Analog: return AnalogCalCaption(index);
    case TInputKind::Digital: return DigitalCalCaption(index);
    case TInputKind::Rate: return RateCalCaption(index);
  }
  return {};
}

QPushButton* Button(const char* name, const QString& text, QWidget* parent) {
  auto* b = new QPushButton(text, parent);
  b->setObjectName(name);
  b->setAutoDefault(false);
  return b;
}

// Links look like links: flat buttons with underlined blue text.
QPushButton* Link(const char* name, const QString& text, QWidget* parent) {
  QPushButton* b = Button(name, text, parent);
  b->setFlat(true);
  b->setCursor(Qt::PointingHandCursor);
  b->setStyleSheet("QPushButton { color: #0000c0; text-decoration: underline; border: none; }");
  return b;
}

}  // namespace

// --- the shared frame -------------------------------------------------------------------

TCalibrationForm::TCalibrationForm(TInputKind kind, acq::TInputCalibration& calibration,
                                   acq::TAcquisitionState& state, UiService& ui,
                                   TInputDialogs& dialogs, QWidget* parent)
    : QDialog(parent), cal_(calibration), state_(state), ui_(ui), kind_(kind), dialogs_(dialogs) {
  setModal(false);
}

std::atomic<int>& TCalibrationForm::Selection() const {
  switch (kind_) {
    case TInputKind::Analog: return state_.SelectedAnalog;
    case TInputKind::Digital: return state_.SelectedDigital;
    case TInputKind::Rate: break;
  }
  return state_.SelectedRate;
}

int TCalibrationForm::SelectedInput() const {
  // A selection is shared with the filter dialog; keep any stray value inside the kind.
  const int i = Selection().load();
  return i >= 0 && i < InputCount(kind_) ? i : 0;
}

void TCalibrationForm::Build(QWidget* pages, int descriptionLength) {
  auto* top = new QVBoxLayout(this);

  auto* head = new QFormLayout;
  input_ = new QComboBox(this);
  input_->setObjectName("InputChoice");
  for (int i = 0; i < InputCount(kind_); ++i) input_->addItem(InputName(kind_, i));
  head->addRow("Input", input_);
  description_ = new QLineEdit(this);
  description_->setObjectName("Description");
  description_->setMaxLength(descriptionLength);
  head->addRow("Description", description_);
  raw_ = new TNumEdit(this);
  raw_->setObjectName("RawValue");
  raw_->setReadOnly(true);
  head->addRow("Raw Value", raw_);
  calibrated_ = new QLineEdit(this);
  calibrated_->setObjectName("CalibratedValue");
  calibrated_->setReadOnly(true);
  calibrated_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  head->addRow("Calibrated Value", calibrated_);
  top->addLayout(head);
  top->addWidget(pages);

  auto* buttons = new QHBoxLayout;
  QPushButton* calibrate = Button("CalibrateBtn", "Calibrate", this);
  QPushButton* doneBtn = Button("DoneBtn", "Done", this);
  buttons->addStretch();
  buttons->addWidget(calibrate);
  buttons->addWidget(doneBtn);
  top->addLayout(buttons);

  auto* links = new QHBoxLayout;
  if (kind_ != TInputKind::Analog) {
    QPushButton* l = Link("GoToAnalog", "Go To Analog Inputs", this);
    connect(l, &QPushButton::clicked, this, [this] { GoTo(TInputKind::Analog); });
    links->addWidget(l);
  }
  if (kind_ != TInputKind::Digital) {
    QPushButton* l = Link("GoToDigital", "Go To Digital Inputs", this);
    connect(l, &QPushButton::clicked, this, [this] { GoTo(TInputKind::Digital); });
    links->addWidget(l);
  }
  if (kind_ != TInputKind::Rate) {
    QPushButton* l = Link("GoToRate", kGoToRateText, this);
    connect(l, &QPushButton::clicked, this, [this] { GoTo(TInputKind::Rate); });
    links->addWidget(l);
  }
  QPushButton* filter = Link("FilterThisInput", "Filter This Input", this);
  links->addWidget(filter);
  top->addLayout(links);

  connect(input_, &QComboBox::activated, this, [this](int i) { SelectInput(i); });
  connect(calibrate, &QPushButton::clicked, this, [this] { CalibrateClick(); });
  connect(doneBtn, &QPushButton::clicked, this, [this] {
    if (CalibrateClick()) accept();
  });
  connect(filter, &QPushButton::clicked, this, [this] { FilterThisInput(); });
}

void TCalibrationForm::ShowCalibration(QWidget* caller) {
  caller_ = caller;
  FillFromRecord();
  show();
  RefreshLive();  // the live values at once, not only at the next second
  raise();
  activateWindow();
}

void TCalibrationForm::SelectInput(int index) {
  if (index < 0 || index >= InputCount(kind_)) return;
  Selection().store(index);
  FillFromRecord();
}

void TCalibrationForm::RefreshLive() {
  if (!isVisible()) return;
  const TLiveTexts live = Live();
  raw_->AutoSet(live.raw);
  calibrated_->setText(Q(live.calibrated));
}

void TCalibrationForm::done(int result) {
  QDialog::done(result);
  if (caller_) {
    caller_->show();
    caller_->raise();
  }
}

QLineEdit* TCalibrationForm::NumberField(const char* name, QWidget* parent) {
  auto* e = new QLineEdit(parent);
  e->setObjectName(name);
  e->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  return e;
}

void TCalibrationForm::ShowNumber(QLineEdit* edit, double x) {
  QString text = Q(NumberText(x));
  const QString point = QLocale().decimalPoint();
  if (point != ".") text.replace(".", point);
  edit->setText(text);
}

std::string TCalibrationForm::Typed(const QLineEdit* edit) {
  QString text = edit->text();
  const QString point = QLocale().decimalPoint();
  if (point != ".") text.replace(point, ".");
  return text.toStdString();
}

void TCalibrationForm::Described(const std::string& description) {
  if (describe_) describe_(kind_, SelectedInput(), description);
}

void TCalibrationForm::GoTo(TInputKind kind) {
  if (!CalibrateClick()) return;
  hide();
  dialogs_.ShowCalibration(kind, caller_);
}

void TCalibrationForm::FilterThisInput() {
  if (!CalibrateClick()) return;
  hide();
  dialogs_.ShowFilter(kind_, caller_);
}

void TCalibrationForm::FillHead() {
  setWindowTitle(Q(Caption(kind_, SelectedInput())));
  input_->setCurrentIndex(SelectedInput());
}

// --- analog -----------------------------------------------------------------------------

TAnalogForm::TAnalogForm(acq::TInputCalibration& calibration, acq::TAcquisitionState& state,
                         UiService& ui, TInputDialogs& dialogs, QWidget* parent)
    : TCalibrationForm(TInputKind::Analog, calibration, state, ui, dialogs, parent) {
  pages_ = new QTabWidget(this);
  pages_->setObjectName("Pages");

  auto* fixed = new QWidget;
  auto* fixedForm = new QFormLayout(fixed);
  range_ = new QComboBox(fixed);
  range_->setObjectName("Range");
  for (const char* r : kRangeNames) range_->addItem(r);
  fixedForm->addRow("Range", range_);
  lowDisplay_ = NumberField("LowDisplay", fixed);
  highDisplay_ = NumberField("HighDisplay", fixed);
  fixedForm->addRow("Low Range Display Value", lowDisplay_);
  fixedForm->addRow("High Range Display Value", highDisplay_);
  pages_->addTab(fixed, " Fixed Scale");

  auto* gainOffset = new QWidget;
  auto* goForm = new QFormLayout(gainOffset);
  offset_ = NumberField("Offset", gainOffset);
  gain_ = NumberField("Gain", gainOffset);
  goForm->addRow("Offset", offset_);
  goForm->addRow("Gain", gain_);
  pages_->addTab(gainOffset, "Gain && Offset");

  auto* autoScale = new QWidget;
  auto* asForm = new QFormLayout(autoScale);
  lowCounts_ = NumberField("LowCounts", autoScale);
  highCounts_ = NumberField("HighCounts", autoScale);
  lowValue_ = NumberField("LowValue", autoScale);
  highValue_ = NumberField("HighValue", autoScale);
  auto countsRow = [&](QLineEdit* counts, const char* buttonName) {
    auto* row = new QHBoxLayout;
    row->addWidget(counts);
    QPushButton* get = Button(buttonName, "Get Raw Counts", autoScale);
    connect(get, &QPushButton::clicked, this, [this, counts] { GetRawCounts(counts); });
    row->addWidget(get);
    return row;
  };
  asForm->addRow("Low Counts", countsRow(lowCounts_, "GetLowCounts"));
  asForm->addRow("Low Value", lowValue_);
  asForm->addRow("High Counts", countsRow(highCounts_, "GetHighCounts"));
  asForm->addRow("High Value", highValue_);
  pages_->addTab(autoScale, " Auto Scale");

  auto* tare = new QWidget;
  auto* tareForm = new QFormLayout(tare);
  tare_ = NumberField("TareValue", tare);
  tareForm->addRow("Tare Value", tare_);
  pages_->addTab(tare, "  Zero / Tare");

  // The page is kept for stored habits of the program but not offered.
  pages_->setTabVisible(static_cast<int>(TAnalogPage::GainOffset), false);
  // Zero / Tare starts from a tare value of 0 each time it is shown, so a tare typed
  // earlier is not applied again by accident.
  connect(pages_, &QTabWidget::currentChanged, this, [this](int page) {
    if (page == static_cast<int>(TAnalogPage::ZeroTare)) ShowNumber(tare_, 0);
  });
  Build(pages_, 16);
}

TAnalogPage TAnalogForm::Page() const { return static_cast<TAnalogPage>(pages_->currentIndex()); }

void TAnalogForm::SetPage(TAnalogPage page) { pages_->setCurrentIndex(static_cast<int>(page)); }

void TAnalogForm::ShowFields(const TAnalogFields& f) {
  description_->setText(Q(f.description));
  range_->setCurrentIndex(f.range);
  ShowNumber(lowDisplay_, f.lowDisplay);
  ShowNumber(highDisplay_, f.highDisplay);
  ShowNumber(offset_, f.offset);
  ShowNumber(gain_, f.gain);
  ShowNumber(lowCounts_, f.lowCounts);
  ShowNumber(highCounts_, f.highCounts);
  ShowNumber(lowValue_, f.lowValue);
  ShowNumber(highValue_, f.highValue);
  ShowNumber(tare_, f.tareValue);
}

void TAnalogForm::FillFromRecord() {
  FillHead();
  ShowFields(AnalogFieldsOf(cal_.AnalogRecord(SelectedInput())));
  RefreshLive();
}

void TAnalogForm::GetRawCounts(QLineEdit* into) {
  ShowNumber(into, cal_.AnalogLive(SelectedInput()).Count);
}

bool TAnalogForm::CalibrateClick() {
  TAnalogTexts t;
  t.description = description_->text().toStdString();
  t.range = range_->currentIndex();
  t.lowDisplay = Typed(lowDisplay_);
  t.highDisplay = Typed(highDisplay_);
  t.offset = Typed(offset_);
  t.gain = Typed(gain_);
  t.lowCounts = Typed(lowCounts_);
  t.highCounts = Typed(highCounts_);
  t.lowValue = Typed(lowValue_);
  t.highValue = Typed(highValue_);
  t.tareValue = Typed(tare_);
  TAnalogFields f;
  if (!CalibrateAnalog(cal_, ui_, SelectedInput(), Page(), t, f)) return false;
  ShowFields(f);
  Described(f.description);
  return true;
}

TLiveTexts TAnalogForm::Live() const { return AnalogLiveOf(cal_.AnalogLive(SelectedInput())); }

// --- digital ----------------------------------------------------------------------------

TDigitalForm::TDigitalForm(acq::TInputCalibration& calibration, acq::TAcquisitionState& state,
                           UiService& ui, TInputDialogs& dialogs, QWidget* parent)
    : TCalibrationForm(TInputKind::Digital, calibration, state, ui, dialogs, parent) {
  auto* active = new QGroupBox("Active", this);
  active->setObjectName("Active");
  auto* row = new QHBoxLayout(active);
  high_ = new QRadioButton("High", active);
  high_->setObjectName("High");
  low_ = new QRadioButton("Low", active);
  low_->setObjectName("Low");
  row->addWidget(high_);
  row->addWidget(low_);
  Build(active, acq::kCalDescriptionSize - 1);
}

void TDigitalForm::FillFromRecord() {
  FillHead();
  const int i = SelectedInput();
  const TDigitalFields f = DigitalFieldsOf(i, cal_.DigitalRecord(i));
  description_->setText(Q(f.description));
  (f.activeLow ? low_ : high_)->setChecked(true);
  high_->setEnabled(f.activeChoosable);
  low_->setEnabled(f.activeChoosable);
  RefreshLive();
}

bool TDigitalForm::CalibrateClick() {
  TDigitalFields f;
  f.description = description_->text().toStdString();
  f.activeLow = low_->isChecked();
  if (!CalibrateDigital(cal_, ui_, SelectedInput(), f)) return false;
  Described(f.description);
  return true;
}

TLiveTexts TDigitalForm::Live() const { return DigitalLiveOf(cal_.DigitalLive(SelectedInput())); }

// --- frequency --------------------------------------------------------------------------

TRateForm::TRateForm(acq::TInputCalibration& calibration, acq::TAcquisitionState& state,
                     UiService& ui, TInputDialogs& dialogs, QWidget* parent)
    : TCalibrationForm(TInputKind::Rate, calibration, state, ui, dialogs, parent) {
  auto* box = new QWidget(this);
  auto* form = new QFormLayout(box);
  kFactor_ = NumberField("KFactor", box);
  form->addRow("K-Factor", kFactor_);
  timebase_ = new QComboBox(box);
  timebase_->setObjectName("Timebase");
  for (const char* t : kTimebaseNames) timebase_->addItem(t);
  form->addRow("Timebase", timebase_);
  quadrature_ = new QCheckBox("Quadrature", box);
  quadrature_->setObjectName("Quadrature");
  form->addRow(quadrature_);
  QPushButton* autoScale = Button("AutoScaleBtn", "Auto-Scale", box);
  connect(autoScale, &QPushButton::clicked, this, [this] { AutoScaleClick(); });
  form->addRow(autoScale);
  Build(box, acq::kCalDescriptionSize - 1);
}

TRateFields TRateForm::Fields() const {
  TRateFields f;
  f.description = description_->text().toStdString();
  f.kFactor = Typed(kFactor_);
  f.timebase = timebase_->currentIndex();
  f.quadrature = quadrature_->isChecked();
  return f;
}

void TRateForm::ShowFields(const TRateFields& f) {
  description_->setText(Q(f.description));
  ShowNumber(kFactor_, ReadNumber(f.kFactor).value_or(0.0));
  timebase_->setCurrentIndex(f.timebase);
  quadrature_->setChecked(f.quadrature);
}

void TRateForm::FillFromRecord() {
  FillHead();
  const acq::TRateCal rec = cal_.RateRecord(SelectedInput());
  ShowFields(RateFieldsOf(rec));
  ShowNumber(kFactor_, rec.KFactor);  // the stored number, not its text
  RefreshLive();
}

bool TRateForm::CalibrateClick() {
  const TRateFields f = Fields();
  if (!CalibrateRate(cal_, ui_, SelectedInput(), f)) return false;
  Described(f.description);
  return true;
}

void TRateForm::AutoScaleClick() {
  // The choice shows "Second" while the user is asked, as the K-factor is per second.
  timebase_->setCurrentIndex(static_cast<int>(acq::TTimebase::Second));
  TRateFields f = Fields();
  const bool done = AutoScaleRate(cal_, ui_, SelectedInput(), f);
  timebase_->setCurrentIndex(f.timebase);
  if (!done) return;
  ShowNumber(kFactor_, cal_.RateRecord(SelectedInput()).KFactor);
  Described(f.description);
}

TLiveTexts TRateForm::Live() const { return RateLiveOf(cal_.RateLive(SelectedInput())); }

}  // namespace quirlo::presentation
