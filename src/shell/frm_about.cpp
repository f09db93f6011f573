#include "shell/frm_about.h"

#include <QLabel>
#include <QPushButton>

#include "shell/app_icon.h"
#include "shell/fit_captions.h"
#include "shell/twips.h"
#include "shell/web_page.h"

namespace {

// Times New Roman where it is installed; any serif face otherwise.
QFont SerifFont(double points, bool bold) {
    QFont font(QStringLiteral("Times New Roman"));
    font.setStyleHint(QFont::Serif);
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

}  // namespace

QString VersionLine(int major, int minor, int patch) {
    return QStringLiteral("Version %1.%2.%3").arg(major).arg(minor).arg(patch);
}

QString ProgramVersionLine() {
    return VersionLine(HORAVEL_VERSION_MAJOR, HORAVEL_VERSION_MINOR, HORAVEL_VERSION_PATCH);
}

frmAbout::frmAbout(WebOpener& web, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                          Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint),
      web_(web) {
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About"));
    setFixedSize(TwipsScale::Of(this).ToPixels(4755, 2505));
    CreateControls();
    lblVersion->setText(ProgramVersionLine());
    Command1->setFocus();
}

QLabel* frmAbout::AddLabel(const char* name, const QString& text, double left, double top,
                           double width, double height) {
    auto* label = new QLabel(text, this);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(TwipsScale::Of(this).ToPixels(left, top, width, height));
    return label;
}

void frmAbout::CreateControls() {
    const TwipsScale scale = TwipsScale::Of(this);
    Image1 = AddLabel("Image1", QString(), 120, 120, 480, 480);
    Image1->setPixmap(AppIcon().pixmap(Image1->size()));

    Label1 = AddLabel("Label1", QStringLiteral("Horavel"), 720, 90, 3975, 495);
    Label1->setFont(SerifFont(20.25, true));
    lblVersion = AddLabel("lblVersion", QString(), 1920, 570, 2655, 255);
    lblVersion->setFont(SerifFont(12, false));
    lblVersion->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Label2 = AddLabel("Label2", QStringLiteral("Created By:"), 120, 960, 1695, 255);
    Label2->setFont(SerifFont(9.75, true));
    Label3 = AddLabel("Label3", QStringLiteral("The Horavel developers"), 600, 1200, 2175, 375);
    Label3->setFont(SerifFont(13.5, true));
    // Says what "Web Page" opens, the full address in the button's tooltip.
    const QUrl page = WebPageAddress();
    Label4 = AddLabel("Label4",
                      page.isLocalFile() ? QStringLiteral("Web Page opens the user guide.")
                                         : QStringLiteral("Web Page opens the project's site."),
                      2160, 2280, 2535, 255);

    // Where Times New Roman is missing, the serif face standing in may be wider.
    for (QLabel* label : {Label1, lblVersion, Label2, Label3, Label4}) {
        FitLabel(label);
    }

    // Made in tab order: the labels take no focus, so OK comes first, then Web Page.
    Command1 = new QPushButton(QStringLiteral("OK"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setGeometry(scale.ToPixels(3600, 1800, 1095, 375));
    Command1->setDefault(true);
    Command2 = new QPushButton(QStringLiteral("Web Page"), this);
    Command2->setObjectName(QStringLiteral("Command2"));
    Command2->setGeometry(scale.ToPixels(2400, 1800, 1095, 375));
    Command2->setToolTip(page.isLocalFile() ? page.toLocalFile() : page.toString());

    connect(Command1, &QPushButton::clicked, this, &QDialog::accept);
    connect(Command2, &QPushButton::clicked, this, [this] { OpenWebPage(web_); });
}
