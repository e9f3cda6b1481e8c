#include "screens/menu/Form4.h"

#include "state/CommConfig.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStringList>
#include <QVBoxLayout>

namespace {

// Item texts and the value each stands for.
struct Choice {
    const char* text;
    const char* value;
};
constexpr Choice kBauds[] = {
    {"4800", "4800"}, {"9600", "9600"}, {"19200", "19200"}, {"38400", "38400"}, {"57600", "57600"}};
constexpr Choice kParities[] = {{"none", "n"}, {"odd", "o"}, {"even", "e"}};
constexpr Choice kDataBits[] = {{"4", "4"}, {"5", "5"}, {"6", "6"}, {"7", "7"}, {"8", "8"}};
constexpr Choice kStopBits[] = {{"1", "1"}, {"1.5", "1.5"}, {"2", "2"}};

template <std::size_t N>
void fill(QComboBox* combo, const Choice (&choices)[N], const char* placeholder) {
    for (const Choice& c : choices)
        combo->addItem(QString::fromLatin1(c.text), QString::fromLatin1(c.value));
    combo->setPlaceholderText(QString::fromLatin1(placeholder));
    combo->setCurrentIndex(-1);
}

// Selects the entry standing for value and copies it to pending; leaves both as they are
// when no entry stands for it.
void preselect(QComboBox* combo, const QString& value, QString& pending) {
    const int i = combo->findData(value);
    if (i >= 0) {
        combo->setCurrentIndex(i);
        pending = value;
    }
}

} // namespace

Form4::Form4(FormContext& context) : FormBase(ScreenId::Form4, context) {
    Label1 = named(new QLabel(QStringLiteral("Port"), this), QStringLiteral("Label1"));
    Label2 = named(new QLabel(QStringLiteral("Baud Rate"), this), QStringLiteral("Label2"));
    Label3 = named(new QLabel(QStringLiteral("Parity"), this), QStringLiteral("Label3"));
    Label4 = named(new QLabel(QStringLiteral("Data bits"), this), QStringLiteral("Label4"));
    Label5 = named(new QLabel(QStringLiteral("Stop Bits"), this), QStringLiteral("Label5"));
    Combo1 = named(new QComboBox(this), QStringLiteral("Combo1"));
    Combo2 = named(new QComboBox(this), QStringLiteral("Combo2"));
    Combo3 = named(new QComboBox(this), QStringLiteral("Combo3"));
    Combo4 = named(new QComboBox(this), QStringLiteral("Combo4"));
    Combo5 = named(new QComboBox(this), QStringLiteral("Combo5"));
    for (int n = 1; n <= 8; ++n)
        Combo1->addItem(QStringLiteral("COM%1").arg(n), n);
    // After COM1..COM8, the ports the system reports now (USB adapters, COM numbers above 9):
    // a port number alone cannot name them. Read afresh each time the dialog opens.
    const auto reported = ctx.serialPorts ? ctx.serialPorts() : std::vector<SerialPortEntry>{};
    for (const SerialPortEntry& port : reported)
        Combo1->addItem(port.caption(), port.device);
    if (!g.portNameOverride.isEmpty() && Combo1->findData(g.portNameOverride) < 0)
        Combo1->addItem(g.portNameOverride, g.portNameOverride);
    Combo1->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    Combo1->setPlaceholderText(QStringLiteral("COM1"));
    Combo1->setCurrentIndex(-1);
    fill(Combo2, kBauds, "9600");
    fill(Combo4, kParities, "None");
    fill(Combo3, kDataBits, "8");
    fill(Combo5, kStopBits, "1");
    Command1 = named(new QPushButton(QStringLiteral("OK"), this), QStringLiteral("Command1"));
    Command2 = named(new QPushButton(QStringLiteral("Cancel"), this), QStringLiteral("Command2"));
    Command1->setDefault(true);

    auto* form = new QFormLayout;
    form->addRow(Label1, Combo1);
    form->addRow(Label2, Combo2);
    form->addRow(Label3, Combo4);
    form->addRow(Label4, Combo3);
    form->addRow(Label5, Combo5);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Command1);
    buttons->addWidget(Command2);
    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(20, 16, 20, 16);
    root->addLayout(form);
    root->addSpacing(10);
    root->addLayout(buttons);

    // Load: pre-select what the program uses now.
    bool ok = false;
    const int port = g.CommPortNumber.toInt(&ok);
    DialogPort = ok ? port : 0;
    DialogDevice = g.portNameOverride;
    if (!DialogDevice.isEmpty())
        Combo1->setCurrentIndex(Combo1->findData(DialogDevice));
    else
        Combo1->setCurrentIndex(ok && port >= 1 && port <= 8 ? port - 1 : -1);
    preselect(Combo2, g.CommBaud, DialogBaud);
    preselect(Combo4, g.CommParity, DialogParity);
    preselect(Combo3, g.CommDataBits, DialogDataBits);
    preselect(Combo5, g.CommStopBits, DialogStopBits);

    // A choice takes effect in the pending values at once.
    connect(Combo1, &QComboBox::activated, this, [this](int i) {
        const QVariant chosen = Combo1->itemData(i);
        if (chosen.typeId() == QMetaType::Int) {
            DialogPort = chosen.toInt();
            DialogDevice.clear();
        } else {
            DialogDevice = chosen.toString();
        }
    });
    connect(Combo2, &QComboBox::activated, this,
            [this](int i) { DialogBaud = Combo2->itemData(i).toString(); });
    connect(Combo4, &QComboBox::activated, this,
            [this](int i) { DialogParity = Combo4->itemData(i).toString(); });
    connect(Combo3, &QComboBox::activated, this,
            [this](int i) { DialogDataBits = Combo3->itemData(i).toString(); });
    connect(Combo5, &QComboBox::activated, this,
            [this](int i) { DialogStopBits = Combo5->itemData(i).toString(); });
    connect(Command1, &QPushButton::clicked, this, &Form4::okClicked);
    connect(Command2, &QPushButton::clicked, this, &Form4::close4);
}

void Form4::okClicked() {
    // A field left empty (the settings could not be read at start-up) would make the next
    // port opening fail with nothing to say why: refuse it here instead.
    QStringList empty;
    if (DialogPort < 1) empty << Label1->text();
    if (DialogBaud.isEmpty()) empty << Label2->text();
    if (DialogParity.isEmpty()) empty << Label3->text();
    if (DialogDataBits.isEmpty()) empty << Label4->text();
    if (DialogStopBits.isEmpty()) empty << Label5->text();
    if (!empty.isEmpty()) {
        ctx.dialogs.information(
            this, QString::fromLatin1(Caption),
            QStringLiteral("Scegliere un valore per: %1").arg(empty.join(QStringLiteral(", "))));
        return;
    }
    const QString settings = DialogBaud + QLatin1Char(',') + DialogParity + QLatin1Char(',') +
                             DialogDataBits + QLatin1Char(',') + DialogStopBits;
    const bool unchanged =
        g.CommSettings.contains(settings) && DialogPort == g.CommPortNumber.toInt();
    if (!unchanged) {
        g.CommPortNumber = QString::number(DialogPort);
        g.CommSettings = settings;
        ParseCommSettings(g);
    }
    // A reported port is used for the rest of the run as --port-name would be; choosing a COM
    // entry goes back to the port number.
    g.portNameOverride = DialogDevice;
    close4();
}

void Form4::close4() {
    leaveFor(ScreenId::Form1);
}

void Form4::onCloseRequested() {
    close4();
}
