// The labeling dialog's window: every control with its name, caption, tool
// tip and place (in twips), and the connections to the handlers.
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QCursor>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSvgRenderer>
#include <QTabWidget>

#include "dialogs/FrmCarrowind_controls.h"
#include "dialogs/expression_choices.h"
#include "dialogs/qt_text.h"
#include "dialogs/quick_pick_controls.h"
#include "dialogs/twips.h"

namespace dialogs {
namespace {

template <class W>
W* make(QWidget* parent, const char* name, const Twips& at, double scale) {
  auto* w = new W(parent);
  w->setObjectName(QString::fromLatin1(name));
  placeAt(w, at, scale);
  return w;
}

QPushButton* button(QWidget* parent, const char* name, const QString& caption, const QString& tip, const Twips& at,
                    double scale) {
  auto* b = make<QPushButton>(parent, name, at, scale);
  b->setText(caption);
  if (!tip.isEmpty()) b->setToolTip(tip);
  // No button answers Enter: a return typed in the wrap length must not apply.
  b->setAutoDefault(false);
  b->setDefault(false);
  return b;
}

QLabel* label(QWidget* parent, const char* name, const QString& text, const Twips& at, double scale,
              bool bold = false) {
  auto* l = make<QLabel>(parent, name, at, scale);
  l->setText(text);
  l->setWordWrap(true);
  l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  l->setTextFormat(Qt::PlainText);
  if (bold) {
    QFont f = l->font();
    f.setBold(true);
    l->setFont(f);
  }
  return l;
}

template <class W>
W* captioned(QWidget* parent, const char* name, const QString& caption, const Twips& at, double scale) {
  auto* w = make<W>(parent, name, at, scale);
  w->setText(caption);
  return w;
}

QGroupBox* frame(QWidget* parent, const char* name, const QString& caption, const Twips& at, double scale) {
  auto* g = make<QGroupBox>(parent, name, at, scale);
  g->setTitle(caption);
  return g;
}

// Our pictures are drawings; they are drawn for the pixels they get, so
// they stay sharp on every screen.
QPixmap picture(const QString& resource, QSize size, qreal ratio) {
  QPixmap pm(size * ratio);
  pm.setDevicePixelRatio(ratio);
  pm.fill(Qt::transparent);
  QSvgRenderer svg(resource);
  QPainter p(&pm);
  svg.render(&p, QRectF(QPointF(0, 0), QSizeF(size)));
  return pm;
}

QLabel* pictureBox(QWidget* parent, const char* name, const QString& resource, const Twips& at, double scale) {
  auto* l = make<QLabel>(parent, name, at, scale);
  l->setPixmap(picture(resource, l->size(), parent->devicePixelRatioF()));
  return l;
}

QLineEdit* linkField(QWidget* parent, const char* name, const QString& text, const Twips& at, double scale) {
  auto* t = make<QLineEdit>(parent, name, at, scale);
  t->setText(text);
  t->setReadOnly(true);
  t->setFrame(false);
  t->setCursor(Qt::PointingHandCursor);
  QPalette pal = t->palette();
  pal.setColor(QPalette::Text, pal.color(QPalette::Link));
  pal.setColor(QPalette::Base, Qt::transparent);
  t->setPalette(pal);
  QFont f = t->font();
  f.setUnderline(true);
  t->setFont(f);
  return t;
}

}  // namespace

void FrmCarrowind::buildControls() {
  const double scale = screenScale(this);
  c_ = std::make_unique<Controls>();
  client_ = new QWidget(this);
  client_->setObjectName(QStringLiteral("FrmCarrowindClient"));
  client_->setGeometry(QRect(QPoint(0, 0), toPixels(kClientWidthTwips, kClientHeightTwips, scale)));
  // The measures are made for an 8-point face, as the window was drawn.
  QFont face = client_->font();
  face.setPointSizeF(8.0);
  client_->setFont(face);

  c_->SSTab1 = make<QTabWidget>(client_, "SSTab1", {120, 120, 8310, 6495}, scale);
  const char* const pages[] = {"TabIntroduction", "TabExpression", "TabOptions", "TabAbout"};
  const QString titles[] = {QStringLiteral("Introduction"), QStringLiteral("Expression"), QStringLiteral("Options"),
                            QStringLiteral("About")};
  for (int i = 0; i < 4; ++i) {
    auto* page = new QWidget;
    page->setObjectName(QString::fromLatin1(pages[i]));
    c_->SSTab1->addTab(page, titles[i]);
  }
  buildIntroductionTab(c_->SSTab1->widget(TabIntroduction), scale);
  buildExpressionTab(c_->SSTab1->widget(TabExpression), scale);
  buildOptionsTab(c_->SSTab1->widget(TabOptions), scale);
  buildAboutTab(c_->SSTab1->widget(TabAbout), scale);

  c_->CmdHelp = button(client_, "CmdHelp", QStringLiteral("Help"), {}, {120, 6780, 1095, 375}, scale);
  c_->CmdReset = button(client_, "CmdReset", QStringLiteral("Reset"), QStringLiteral("Undo all Changes to Layer's Legend"),
                        {4935, 6780, 1095, 375}, scale);
  c_->CmdApply = button(client_, "CmdApply", QStringLiteral("Apply"), QStringLiteral("Apply Expression to Layer's Legend"),
                        {6135, 6780, 1095, 375}, scale);
  c_->CmdCancel = button(client_, "CmdCancel", QStringLiteral("Done"), QStringLiteral("Close, Exit, Terminate"),
                         {7335, 6780, 1095, 375}, scale);

  quickPicks_ = new QuickPickControls(this, c_->TxtExpression, c_->CmbQuickPicks, c_->CmdDeleteQuickPick);
  quickPicks_->setParent(client_);
  client_->show();
}

void FrmCarrowind::buildIntroductionTab(QWidget* page, double scale) {
  c_->Picture1 = pictureBox(page, "Picture1", QStringLiteral(":/carrowind/introduction.svg"), {240, 240, 1440, 1440},
                            scale);
  c_->Label3 = label(page, "Label3",
                     QStringLiteral("The Carrowind Label tool is designed to make it much easier to create custom legend "
                                    "labels based on the data contained in the attribute table of a feature layer.  "
                                    "Instead of having to create a summary table and then manually type the results "
                                    "into a layer's legend, you can now automate the process by creating an expression "
                                    "for the labels."),
                     {1920, 240, 6060, 1800}, scale);
  c_->Label2 = label(page, "Label2",
                     QStringLiteral("EXPRESSON: [USE].First.UCase - [DESCRIPT].First ([ACRES].Sum.Round(0) ac.)"),
                     {240, 2040, 7740, 600}, scale, true);
  c_->Label4 = label(page, "Label4",
                     QStringLiteral("In the above example, the label is created by combining the value of three "
                                    "fields: the \"USE\" field changed to uppercase (\"[USE].First.UCase\"), the "
                                    "\"DESCRIPT\" field (\"[DESCRIPT].First\") and the sum of the acreages in the "
                                    "\"ACRES\" field rounded to 0 decimal points (\"[ACRES].Sum.Round(0)\")."),
                     {240, 2700, 7740, 1500}, scale);
}

void FrmCarrowind::buildExpressionTab(QWidget* page, double scale) {
  auto& c = *c_;
  c.FraLabelFields = frame(page, "FraLabelFields", QStringLiteral("Database Fields:"), {120, 120, 2640, 5760}, scale);
  c.LblLabelFields = label(c.FraLabelFields, "LblLabelFields",
                           QStringLiteral("Add fields from this list to the expression. ($$VALUE, $$LABEL - A "
                                          "symbol's current value and label.)"),
                           {120, 300, 2400, 1020}, scale);
  c.LstLabelFields = make<QListWidget>(c.FraLabelFields, "LstLabelFields", {120, 1380, 2400, 3720}, scale);
  c.LstLabelFields->setSelectionMode(QAbstractItemView::SingleSelection);
  c.CmdAddField = button(c.FraLabelFields, "CmdAddField", QStringLiteral("Add"),
                         QStringLiteral("Add Selected Field to Expression"), {120, 5220, 960, 375}, scale);
  c.CmdShowValues = button(c.FraLabelFields, "CmdShowValues", QStringLiteral("Show Values..."),
                           QStringLiteral("Show Field Values in Layer's Table"), {1140, 5220, 1380, 375}, scale);

  c.FraExpression = frame(page, "FraExpression", QStringLiteral("Expression:"), {2880, 120, 5250, 3960}, scale);
  c.LblExpression = label(c.FraExpression, "LblExpression",
                          QStringLiteral("Compose an expression by using database fields, formatting statements and "
                                         "other text."),
                          {120, 300, 5010, 480}, scale);
  c.TxtExpression = make<QPlainTextEdit>(c.FraExpression, "TxtExpression", {120, 780, 5010, 1920}, scale);
  c.TxtExpression->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  c.TxtExpression->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  c.TxtExpression->setTabChangesFocus(true);
  c.CmdSaveExpression = button(c.FraExpression, "CmdSaveExpression", QStringLiteral("Save..."),
                               QStringLiteral("Save Expression to File"), {120, 2820, 1000, 375}, scale);
  c.CmdLoadExpression = button(c.FraExpression, "CmdLoadExpression", QStringLiteral("Load..."),
                               QStringLiteral("Load Expression From File"), {1200, 2820, 1000, 375}, scale);
  c.CmdVerifyExpression = button(c.FraExpression, "CmdVerifyExpression", QStringLiteral("Verify"),
                                 QStringLiteral("Verify that Expression is Correct"), {2280, 2820, 1000, 375}, scale);
  c.ChkDetailedVerify = captioned<QCheckBox>(c.FraExpression, "ChkDetailedVerify", QStringLiteral("Detail"),
                                             {3420, 2857, 1500, 300}, scale);
  c.ChkDetailedVerify->setToolTip(QStringLiteral("Show detailed verification information"));
  c.Label6 = label(c.FraExpression, "Label6", QStringLiteral("Quick Picks:"), {120, 3420, 1080, 300}, scale);
  c.CmbQuickPicks = make<QComboBox>(c.FraExpression, "CmbQuickPicks", {1200, 3360, 3000, 375}, scale);
  c.CmbQuickPicks->setEditable(false);
  c.CmdSaveQuickPick = button(c.FraExpression, "CmdSaveQuickPick", {}, QStringLiteral("Save expression as a Quick Pick"),
                              {4260, 3360, 405, 375}, scale);
  c.CmdDeleteQuickPick = button(c.FraExpression, "CmdDeleteQuickPick", {}, QStringLiteral("Delete current Quick Pick"),
                                {4725, 3360, 405, 375}, scale);
  const qreal ratio = page->devicePixelRatioF();
  const QSize iconSize = toPixels(240, 240, scale);
  c.CmdSaveQuickPick->setIcon(QIcon(picture(QStringLiteral(":/carrowind/save_quick_pick.svg"), iconSize, ratio)));
  c.CmdDeleteQuickPick->setIcon(QIcon(picture(QStringLiteral(":/carrowind/delete_quick_pick.svg"), iconSize, ratio)));
  c.CmdSaveQuickPick->setIconSize(iconSize);
  c.CmdDeleteQuickPick->setIconSize(iconSize);

  c.FraFormattingStatements = frame(page, "FraFormattingStatements", QStringLiteral("Formatting Statements:"),
                                    {2880, 4200, 5250, 1680}, scale);
  c.LblFormattingStatements = label(c.FraFormattingStatements, "LblFormattingStatements",
                                    QStringLiteral("Formatting statements modify field values."),
                                    {120, 300, 5010, 300}, scale);
  c.CmbFormattingStatements =
      make<QComboBox>(c.FraFormattingStatements, "CmbFormattingStatements", {120, 660, 3780, 375}, scale);
  c.CmbFormattingStatements->setEditable(false);
  c.CmdAddFormattingStatement =
      button(c.FraFormattingStatements, "CmdAddFormattingStatement", QStringLiteral("Add"),
             QStringLiteral("Add Formatting Statement to Expression"), {3990, 660, 1140, 375}, scale);
  c.lblFormatDescription = label(c.FraFormattingStatements, "lblFormatDescription", {}, {120, 1110, 5010, 520}, scale);
}

void FrmCarrowind::buildOptionsTab(QWidget* page, double scale) {
  auto& c = *c_;
  c.OptApplyAll = captioned<QRadioButton>(
      page, "OptApplyAll", QStringLiteral("Consider all records in Layer's Data Source when summarizing table."),
      {240, 240, 7860, 300}, scale);
  c.OptApplyDefinitionQuery = captioned<QRadioButton>(
      page, "OptApplyDefinitionQuery",
      QStringLiteral("Only consider features satisfying Layer's Definition Query when summarizing table."),
      {240, 600, 7860, 300}, scale);
  c.OptApplySelection = captioned<QRadioButton>(
      page, "OptApplySelection", QStringLiteral("Only consider Layer's Selected Features when summarizing table."),
      {240, 960, 7860, 300}, scale);
  // One group: exactly one of the three is set, whatever else the page holds.
  auto* group = new QButtonGroup(page);
  group->setObjectName(QStringLiteral("OptRecordsGroup"));
  group->setExclusive(true);
  group->addButton(c.OptApplyAll);
  group->addButton(c.OptApplyDefinitionQuery);
  group->addButton(c.OptApplySelection);
  c.OptApplyAll->setChecked(true);

  c.ChkAllOtherValues = captioned<QCheckBox>(
      page, "ChkAllOtherValues",
      QStringLiteral("On Unique Value legends, also modify the label for \"<all other values>\" (if present)."),
      {240, 1440, 7860, 300}, scale);
  c.ChkAllOtherValues->setChecked(true);

  c.chkWrapLabels = captioned<QCheckBox>(page, "chkWrapLabels", QStringLiteral("Wrap label text if longer than:"),
                                         {240, 1920, 3060, 300}, scale);
  c.chkWrapLabels->setChecked(true);
  c.txtWrapLength = make<QLineEdit>(page, "txtWrapLength", {3360, 1890, 600, 345}, scale);
  c.Label7 = label(page, "Label7", QStringLiteral("characters."), {4050, 1935, 1500, 300}, scale);
  c.Label8 = label(page, "Label8",
                   QStringLiteral("(labels will appear on multiple lines in Legends and a single line in Table of "
                                  "Contents)"),
                   {540, 2310, 7560, 480}, scale);

  c.FrameToolOptions = frame(page, "FrameToolOptions", QStringLiteral("Tool Options"), {240, 2940, 7860, 1500}, scale);
  c.chkShowIntroduction = captioned<QCheckBox>(c.FrameToolOptions, "chkShowIntroduction",
                                               QStringLiteral("Show Introduction tab."), {240, 360, 7260, 300}, scale);
  c.chkShowIntroduction->setChecked(true);
  c.ChkDisplaySkippedWarning = captioned<QCheckBox>(
      c.FrameToolOptions, "ChkDisplaySkippedWarning",
      QStringLiteral("Display message when some legend items are skipped."), {240, 720, 7260, 300}, scale);
  c.ChkAutoRefreshWarning = captioned<QCheckBox>(
      c.FrameToolOptions, "ChkAutoRefreshWarning",
      QStringLiteral("Display reminder about labels not being auto-refreshed."), {240, 1080, 7260, 300}, scale);

  c.cmdExportQuickPicks = button(page, "cmdExportQuickPicks", QStringLiteral("Export Quick Picks..."),
                                 QStringLiteral("Save all Quick Picks in a text file"), {240, 4680, 2100, 375}, scale);
}

void FrmCarrowind::buildAboutTab(QWidget* page, double scale) {
  auto& c = *c_;
  c.Picture2 = pictureBox(page, "Picture2", QStringLiteral(":/carrowind/about.svg"), {240, 240, 1440, 1440}, scale);
  c.LblProductTitle = label(page, "LblProductTitle", QStringLiteral("Carrowind Label Tool"), {1920, 240, 6060, 360},
                            scale, true);
  {
    QFont f = c.LblProductTitle->font();
    f.setPointSizeF(f.pointSizeF() * 1.5);
    c.LblProductTitle->setFont(f);
  }
  c.LblVersion = label(page, "LblVersion", QStringLiteral("Version 2.2 for ArcGIS 8.3"), {1920, 660, 6060, 300}, scale);
  c.LblAddress = label(page, "LblAddress",
                       QStringLiteral("Quorvex Corporation\n1 Carrow Wind Lane, Suite 22\nMillbrook Harbour"),
                       {1920, 1080, 6060, 780}, scale);
  c.LblTelephone = label(page, "LblTelephone", QStringLiteral("Telephone: +1 555 0147    Fax: +1 555 0148"),
                         {1920, 1920, 6060, 300}, scale);
  c.txtWebSite = linkField(page, "txtWebSite", QStringLiteral("www.quorvex.example/carrowind"),
                           {1920, 2340, 6060, 300}, scale);
  c.txtWebSite->setToolTip(q(kWebSiteAddress));
  c.txtSupportEmail = linkField(page, "txtSupportEmail", QStringLiteral("carrowind-support@quorvex.example"),
                                {1920, 2700, 6060, 300}, scale);
  c.txtSupportEmail->setToolTip(q(kSupportAddress));
  c.LblAcknowledgement = label(page, "LblAcknowledgement",
                               QStringLiteral("With thanks to the map makers whose legends shaped this tool.  Built "
                                              "with Qt, ICU, GDAL and SQLite."),
                               {240, 3300, 7740, 600}, scale);
  c.LblLegalNotice =
      label(page, "LblLegalNotice",
            QStringLiteral("Copyright \u00A9 2003-2026 Quorvex Corporation.  All rights reserved.  This program is "
                           "provided \"as is\", without warranty of any kind; Quorvex Corporation is not liable for "
                           "any damages arising from its use.  ArcGIS and ArcMap are trademarks of their owner."),
            {240, 4020, 7740, 1020}, scale);
  // Clicks on the two addresses: the text fields are read-only and open
  // their address instead.
  c.txtWebSite->installEventFilter(this);
  c.txtSupportEmail->installEventFilter(this);
}

void FrmCarrowind::connectHandlers() {
  auto& c = *c_;
  connect(c.CmdCancel, &QPushButton::clicked, this, [this] { CmdCancel_Click(); });
  connect(c.CmdHelp, &QPushButton::clicked, this, [this] { CmdHelp_Click(); });
  connect(c.CmdAddField, &QPushButton::clicked, this, [this] { CmdAddField_Click(); });
  connect(c.LstLabelFields, &QListWidget::itemDoubleClicked, this, [this] { LstLabelFields_DblClick(); });
  connect(c.CmdAddFormattingStatement, &QPushButton::clicked, this, [this] { CmdAddFormattingStatement_Click(); });
  connect(c.CmbFormattingStatements, &QComboBox::currentIndexChanged, this, [this] { CmbFormattingStatements_Click(); });
  connect(c.TxtExpression, &QPlainTextEdit::textChanged, this, [this] { TxtExpression_Change(); });
  connect(c.CmdShowValues, &QPushButton::clicked, this, [this] { CmdShowValues_Click(); });
  // Toggled, not clicked: a change made by the load step runs the handler too.
  connect(c.ChkAutoRefreshWarning, &QCheckBox::toggled, this, [this] { ChkAutoRefreshWarning_Click(); });
  connect(c.ChkDisplaySkippedWarning, &QCheckBox::toggled, this, [this] { ChkDisplaySkippedWarning_Click(); });
  connect(c.chkWrapLabels, &QCheckBox::toggled, this, [this] { chkWrapLabels_Click(); });
  connect(c.chkShowIntroduction, &QCheckBox::toggled, this, [this] { chkShowIntroduction_Click(); });
  connect(c.txtWrapLength, &QLineEdit::textChanged, this, [this] { txtWrapLength_Change(); });
  connect(c.CmdVerifyExpression, &QPushButton::clicked, this, [this] { CmdVerifyExpression_Click(); });
  connect(c.CmdApply, &QPushButton::clicked, this, [this] { CmdApply_Click(); });
  connect(c.CmdReset, &QPushButton::clicked, this, [this] { CmdReset_Click(); });
  quickPicks_->wire(c.CmdSaveQuickPick, c.cmdExportQuickPicks, c.CmdSaveExpression, c.CmdLoadExpression);
}

}  // namespace dialogs
