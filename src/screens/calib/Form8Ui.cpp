#include "screens/calib/Form8Ui.h"

#include "calib/AutoCalibrationRun.h"
#include "lang/LanguageTable.h"
#include "screen/Shape.h"
#include "screen/StatusLine.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

template <class W> W* named(W* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

template <class W> W* emphasised(W* widget, int pointSize) {
    QFont f = widget->font();
    f.setPointSize(pointSize);
    f.setBold(true);
    widget->setFont(f);
    return widget;
}

QLineEdit* readOnly(QLineEdit* box, int pointSize) {
    box->setReadOnly(true);
    box->setAlignment(Qt::AlignCenter);
    box->setFocusPolicy(Qt::TabFocus); // a screen reader can still reach the value
    box->setMinimumWidth(96);
    return emphasised(box, pointSize);
}

} // namespace

void Form8Ui::setupUi(QWidget* form, const LanguageTable& language, bool showPressure2,
                      QWidget* beside) {
    const auto lang = [&language](const char* key, const char* design) {
        return language.text(QString::fromLatin1(key), QString::fromUtf8(design));
    };
    const auto button = [&](const char* name, const char* key, const char* text) {
        auto* b = named(new QPushButton(lang(key, text), form), name);
        b->setMinimumHeight(40);
        return b;
    };
    Command3 = emphasised(button("Command3", "F08_C03", "START TARATURA"), 12);
    Command1 = emphasised(button("Command1", "F08_C01", "STOP TARATURA"), 12);
    Command5 = button("Command5", "F01_C02", "EXIT");
    Command6 = button("Command6", "F03_C03", "START Acquisizione");
    Command7 = button("Command7", "F03_C04", "STOP Acquisizione");
    Command7->setEnabled(false);
    Command8 = button("Command8", "F03_C07", "Apri nel visualizzatore");
    Command8->hide();

    Shape2 = named(new Shape(Shape::Kind::Circle, form), "Shape2");
    Shape3 = named(new Shape(Shape::Kind::Circle, form), "Shape3");
    Shape2->setAccessibleName(QStringLiteral("Benzina"));
    Shape3->setAccessibleName(QStringLiteral("GAS"));

    // Row by row, four to a row; the coefficient found takes the last place.
    const struct {
        const char* frame;
        const char* key;
        const char* title;
        QLineEdit* Form8Ui::*box;
        const char* boxName;
        int pointSize;
        Shape* lamp;
    } values[] = {
        {"Frame8", "F08_F08", "RPM", &Form8Ui::Text8, "Text8", 13, nullptr},
        {"Frame13", "F08_F13", "Temperatura", &Form8Ui::Text22, "Text22", 13, nullptr},
        {"Frame10", "F08_F10", "Pressione", &Form8Ui::Text11, "Text11", 13, nullptr},
        {"Frame5", "F08_F05", "Pressione1", &Form8Ui::Text9, "Text9", 13, nullptr},
        {"Frame1", "F08_F01", "Tinj_Benzina", &Form8Ui::Text1, "Text1", 13, nullptr},
        {"Frame2", "F08_F02", "Tinj_GAS", &Form8Ui::Text2, "Text2", 13, nullptr},
        {"Frame3", "F08_F03", "LAMBDA", &Form8Ui::Text3, "Text3", 13, nullptr},
        {"Frame4", "F08_F04", "Media lambda", &Form8Ui::Text4, "Text4", 13, nullptr},
        {"Frame12", "F08_F12", "AVG_FunzBenz", &Form8Ui::Text21, "Text21", 16, Shape2},
        {"Frame11", "F08_F11", "AVG_FunzGAS", &Form8Ui::Text20, "Text20", 16, Shape3},
        {"Frame7", "F08_F07", "KGB IN USO", &Form8Ui::Text7, "Text7", 13, nullptr},
    };
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(4);
    for (const auto& v : values) {
        const QString title = lang(v.key, v.title);
        auto* frame = named(new QGroupBox(title, form), v.frame);
        QLineEdit* box = readOnly(named(new QLineEdit(form), v.boxName), v.pointSize);
        box->setAccessibleName(title); // the value box is read by its frame's caption
        this->*v.box = box;
        auto* row = new QHBoxLayout(frame);
        row->setContentsMargins(6, 2, 6, 6);
        row->addWidget(box, 1);
        if (v.lamp) {
            v.lamp->setFixedSize(26, 26);
            v.lamp->setAccessibleDescription(title);
            row->addWidget(v.lamp);
        }
        grid->addWidget(frame, int(frames.size()) / 4, int(frames.size()) % 4);
        frames << frame;
    }
    frames.at(3)->setHidden(!showPressure2);
    for (int c = 0; c < 4; ++c)
        grid->setColumnStretch(c, 1);

    auto* label24 = named(new QLabel(lang("F08_L24", "KTAR TARATO"), form), "Label24");
    QFont caption = label24->font();
    caption.setBold(true);
    label24->setFont(caption);
    label24->setAlignment(Qt::AlignCenter);
    Text30 = readOnly(named(new QLineEdit(form), "Text30"), 22);
    Text30->setStyleSheet(QStringLiteral("color: rgb(0,0,160);"));
    Text30->setAccessibleName(label24->text());
    label24->setBuddy(Text30);
    auto* ktar = new QVBoxLayout;
    ktar->addWidget(label24);
    ktar->addWidget(Text30);
    grid->addLayout(ktar, 2, 3);

    Label1 = named(new QLabel(form), "Label1");
    Label2 = named(new QLabel(form), "Label2");
    for (QLabel* l : {Label1, Label2}) {
        l->setAlignment(Qt::AlignCenter);
        l->setWordWrap(true);
        l->setMinimumHeight(30);
        emphasised(l, 14);
    }
    Label1->setStyleSheet(QStringLiteral("color: rgb(0,0,160);"));
    StoreText = new StatusLine(QStringLiteral("StoreText"), form);
    StatusText = new StatusLine(QStringLiteral("StatusText"), form);
    StoreText->setAlignment(Qt::AlignCenter);
    StatusText->setAlignment(Qt::AlignCenter);

    auto* label22 = named(new QLabel(lang("F08_L22", "Log file"), form), "Label22");
    Text28 = named(new QLineEdit(form), "Text28");
    label22->setBuddy(Text28);

    auto* runButtons = new QHBoxLayout;
    runButtons->addWidget(Command3);
    runButtons->addWidget(Command1);
    auto* logRow = new QHBoxLayout;
    logRow->addWidget(label22);
    logRow->addWidget(Text28, 1);
    logRow->addWidget(Command6);
    logRow->addWidget(Command7);
    logRow->addWidget(Command8);

    auto* sides = new QHBoxLayout(form);
    sides->setContentsMargins(16, 12, 16, 12);
    auto* root = new QVBoxLayout;
    sides->addLayout(root, 3);
    root->addLayout(grid);
    root->addSpacing(6);
    root->addWidget(Label1);
    root->addWidget(Label2);
    root->addLayout(runButtons);
    root->addWidget(StoreText);
    root->addWidget(StatusText);
    root->addStretch();
    root->addLayout(logRow);
    root->addWidget(Command5);
    if (beside) {
        sides->addSpacing(12);
        sides->addWidget(beside, 2);
    }
    form->resize(beside ? 1240 : 760, beside ? 600 : 520);
}

void Form8Ui::showLive(const LiveData& l) {
    const std::pair<QLineEdit*, int> shown[] = {
        {Text1, l.PetrolTinj},  {Text2, l.GasTinj},    {Text3, l.Lambda1},
        {Text4, l.Lambda1Mean}, {Text7, l.Kcor},       {Text8, l.Rpm},
        {Text9, l.Pressure2},   {Text11, l.Pressure1}, {Text22, l.Temperature}};
    for (const auto& [box, value] : shown)
        box->setText(QString::number(value));
    const int rpmColour = l.Rpm == 0 ? 0 : 1;
    if (rpmColour != m_rpmColour) {
        m_rpmColour = rpmColour;
        Text8->setStyleSheet(rpmColour == 0 ? QStringLiteral("background: rgb(255,0,0);")
                                            : QStringLiteral("background: rgb(0,255,255);"));
    }
    const bool petrol = l.FuelState == 1;
    Shape2->setFill(petrol ? Colours::Red : Colours::DarkRed);
    Shape3->setFill(petrol ? Colours::DarkGreen : Colours::Green);
}

void Form8Ui::setLiveShown(bool live) {
    for (QGroupBox* f : frames)
        f->setEnabled(live);
    if (live) return;
    // Neither fuel is known, nor whether the engine turns.
    Shape2->setFill(Colours::DarkRed);
    Shape3->setFill(Colours::DarkGreen);
    Text8->setStyleSheet(QString());
    m_rpmColour = -1;
}

void Form8Ui::showRun(const AutoCalibrationRun& run, bool connected) {
    Label1->setText(run.runText());
    Label2->setText(run.resultText());
    const int resultColour = run.result() == AutoCalibrationRun::Result::Converged ? 1 : 0;
    if (resultColour != m_resultColour) {
        m_resultColour = resultColour;
        Label2->setStyleSheet(resultColour == 1 ? QStringLiteral("color: rgb(0,130,0);")
                                                : QStringLiteral("color: rgb(200,0,0);"));
    }
    Text30->setText(QString::number(run.ktar()));
    Text21->setText(QString::number(run.avgOnPetrol()));
    Text20->setText(QString::number(run.avgOnGas()));
    Command3->setEnabled(connected && run.canStart());
    Command1->setEnabled(connected && run.canStop());
    using Tone = StatusLine::Tone;
    const AutoCalibrationStore::State store = run.store().state();
    StoreText->tell(run.storeText(), store == AutoCalibrationStore::State::Writing ? Tone::Progress
                                     : store == AutoCalibrationStore::State::Verified
                                         ? Tone::Done
                                         : Tone::Problem);
}

void Form8Ui::showStatus(const QString& text) {
    StatusText->tell(text);
}
