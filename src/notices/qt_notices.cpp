#include "notices/qt_notices.h"

#include <QCoreApplication>
#include <QLabel>

namespace monitor {

QtNotices::QtNotices() = default;
QtNotices::~QtNotices() = default;

bool QtNotices::ExibeAlerta(const std::string& texto, TTipoAlerta tipo,
                            const std::string& confirmar, const std::string& cancelar) {
    Pedido pedido{texto, tipo, confirmar, cancelar};
    if (alerta_ != nullptr) {
        esperando_.push_back(std::move(pedido));
        return false;
    }
    const bool resposta = Mostra(pedido);
    while (!esperando_.empty()) {
        const Pedido next = std::move(esperando_.front());
        esperando_.pop_front();
        Mostra(next);
    }
    return resposta;
}

bool QtNotices::Mostra(const Pedido& pedido) {
    TFAlerta alerta;
    alerta_ = &alerta;
    struct Forget {
        TFAlerta*& alerta;
        ~Forget() { alerta = nullptr; }
    } forget{alerta_};
    const QString text = QString::fromStdString(pedido.texto);
    AjustaAlerta(alerta, text);
    alerta.Prepara(text, pedido.tipo, QString::fromStdString(pedido.confirmar),
                   QString::fromStdString(pedido.cancelar));
    alerta.exec();
    return alerta.Resposta;
}

void QtNotices::ExibeCarregando(bool fechar) {
    if (fechar) {
        carregando_.reset();
        return;
    }
    if (!carregando_) carregando_ = std::make_unique<TFCarregando>();
    carregando_->show();
    QCoreApplication::processEvents();
    carregando_->raise();
}

void QtNotices::MensagemCarregando(const std::string& mensagem) {
    if (!carregando_ || mensagem.empty()) return;
    carregando_->Label1->setText(QString::fromStdString(mensagem));
    carregando_->Label1->repaint();
    QCoreApplication::processEvents();
}

}  // namespace monitor
