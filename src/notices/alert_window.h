#pragma once

#include <QDialog>
#include <QString>

#include "notices/notices.h"

class QLabel;
class QPushButton;
class QWidget;

namespace monitor {

/** The modal alert: a message on a white panel in a thin gradient frame, without border or
 *  title bar. Only the kinds with buttons can be answered with a click; every kind closes with
 *  ESC (answer false), Ctrl+C copies the message, and Alt+F4 does nothing. */
class TFAlerta final : public QDialog {
  public:
    explicit TFAlerta(QWidget* parent = nullptr);

    /** Sets the buttons, the bottom line and the text for a kind. */
    void Prepara(const QString& text, TTipoAlerta tipo, const QString& confirmar,
                 const QString& cancelar);
    /** The text exactly as given, for the clipboard. */
    const QString& Mensagem() const noexcept { return mensagem_; }

    QLabel* texto;
    QWidget* GridPanel1;
    QPushButton* BtnConfirmar;
    QPushButton* BtnCancelar;
    QLabel* Label2;
    bool Resposta = false;
    TTipoAlerta TipoAlerta = TTipoAlerta::TAPressioneESC;

    static constexpr int kBaseWidth = 406;
    static constexpr int kBaseHeight = 136;

  protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    bool HandleKey(QKeyEvent* event);
    void Arrange();

    QString mensagem_;
};

/** Sizes and centres the alert for a text: the text (without surrounding blanks and control
 *  characters) wrapped at half the screen width, plus margins, never below the base size. */
void AjustaAlerta(TFAlerta& alerta, const QString& text);

}  // namespace monitor
