#pragma once

#include "DetectorSettings.h"
#include "LinePacer.h"

#include <QWidget>

#include <array>
#include <cstdint>
#include <memory>

class BridgeLibrary;
class ConfigForm;
class QTimer;

// The detector link: drives the MCP2200 bridge's pins as a clocked serial line, runs the
// command exchanges with the detector and keeps probing it. Its widget is the service form.
// Only one exchange runs at a time; a start while one runs is refused and logged.
class config : public QWidget
{
    Q_OBJECT

public:
    // `settings` is read only when a write starts, and never written.
    explicit config(DetectorSettings *settings, QWidget *parent = nullptr);
    ~config() override;

    // The service form's widgets, addressed by their object names.
    ConfigForm *const form;

    // The next configuration reply with its marker is checked against the last write.
    bool verifyPending = false;
    // The next good handshake is followed by a configuration read; the main window sets it.
    bool readAfterHandshake = true;
    // Handshakes since the service logs were last cleared.
    int handshakeCount = 0;
    // An exchange runs; starts are refused until it ends.
    bool exchangeRunning() const { return busy; }

signals:
    void signal_handshake_ok();
    void setButton(bool on);
    void signal_disconnect();
    void signal_getConfig(char in[6]);
    void action(int total, int step, int cgi);

public slots:
    // Bridge set-up.
    void set();
    void setDefault(bool checked);
    void setBaud();
    // Exchange starts.
    void sendParamAA();
    void sendParamA3();
    void sendParamA6();
    void sendParamA1();
    void sendParamA2();
    void sendParam();
    void readParam();
    void sendHand();
    // Connection watch and logs.
    void connection_timer(bool on);
    void clr();

private slots:
    // Transfer engines, one timer each.
    void sendParam_timerAA();
    void readHandshake();
    void sendParam_timerA3();
    void readParam_timer();
    void sendParam_timerA9();
    void sendParam_timerA1();
    void sendParam_timerA2();
    void readParam_timerA2r();
    void sendParam_timerA6();
    void sendParam_timer();

private:
    using Bytes5 = std::array<std::uint8_t, 5>;
    enum class Command { AA, A3, A9, A1, A2, A6 };
    enum class Reception { Handshake, Config, Date };

    // Construction and bring-up.
    QTimer *createEngineTimer(void (config::*engine)(), const char *name);
    void createTimers();
    void bringUp();
    void logLoadResult();
    void logBridgeReason();
    void connectForm();
    void log(const QString &line);

    // Pins.
    void setIdlePins();
    void clockHigh();
    void clockLow();
    void dataOut(bool bit);
    bool sampleDataIn();

    // Transfer.
    static constexpr int tickInterval = 2; // milliseconds, half a clock period
    void resetFrame();
    void startEngine(QTimer *engine);
    void armNextTick(QTimer *engine);
    void stopEngine(QTimer *engine);
    void moveClock(bool high);
    void moveData(bool bit);
    void idleLines();
    void traceBit(bool bit);
    void trace(const QString &text);
    void setTransferEnabled(bool enabled);
    void commandTick(Command command);
    void sendNextBit(Command command);
    bool nextCommandByte(Command command);
    void endCommandFrame(Command command);
    void afterCommandFrame(Command command);
    void receiverTick(Reception reception);
    bool receiveBit();
    bool pauseProcessingEvents(int milliseconds);
    void endReception(Reception reception);
    void endGenericFrame();
    void startGenericRead();
    QTimer *senderTimer(Command command) const;
    QTimer *receiverTimer(Reception reception) const;
    std::uint8_t frameByte(Command command, int index) const;
    static int frameLength(Command command);
    static int frameLength(Reception reception);

    // Exchanges.
    bool beginExchange();
    bool lineInUse();
    void endExchange();
    void startCommand(Command command);
    void handshakeResult();
    void evaluateReply();
    void acceptReply();
    bool reportVerification();
    void askRetry();
    void finishWrite();
    void showDate();

    DetectorSettings *settings;
    std::unique_ptr<BridgeLibrary> bridge;
    int ioMask = 0;
    // The bridge library's last reason for being unusable, as last logged ("" for none).
    QString bridgeReason;

    bool phase = false;
    int bitIndex = 7;
    int byteIndex = 0;
    bool lastBit = false;
    std::array<std::uint8_t, 7> rxBuffer {};
    std::array<std::uint8_t, 3> sendBuffer {0xA3, 0x00, 0x00};
    LinePacer pacer {std::chrono::milliseconds(tickInterval)};

    char receivedConfig[6] = {};
    Bytes5 writtenCopy {};
    Bytes5 writeSnapshot {};
    std::array<std::uint8_t, 3> dateSnapshot {};
    bool busy = false;

    QTimer *timerAA = nullptr;
    QTimer *timerHandshake = nullptr;
    QTimer *timerA3 = nullptr;
    QTimer *timerConfig = nullptr;
    QTimer *timerA9 = nullptr;
    QTimer *timerA1 = nullptr;
    QTimer *timerA2 = nullptr;
    QTimer *timerDate = nullptr;
    QTimer *timerA6 = nullptr;
    QTimer *timerGeneric = nullptr;
    QTimer *watchTimer = nullptr;
    QTimer *firstHandshakeTimer = nullptr;
};
