#pragma once

#include <deque>
#include <memory>
#include <string>

#include "notices/alert_window.h"
#include "notices/notices.h"
#include "notices/progress_window.h"

namespace monitor {

/** The notices of the desktop: the progress window and the modal alert, each existing at most
 *  once. An alert asked for while another is still open (the open one lets the timer and the
 *  tray through) is not stacked on top of it: it waits, and is shown once the open one closes,
 *  and the call that asked answers "not confirmed" at once. */
class QtNotices final : public Notices {
  public:
    QtNotices();
    ~QtNotices() override;

    bool ExibeAlerta(const std::string& texto, TTipoAlerta tipo, const std::string& confirmar = {},
                     const std::string& cancelar = {}) override;
    void ExibeCarregando(bool fechar) override;
    void MensagemCarregando(const std::string& mensagem) override;

    /** The windows while they exist, none otherwise. */
    TFAlerta* Alerta() const noexcept { return alerta_; }
    TFCarregando* Carregando() const noexcept { return carregando_.get(); }

  private:
    struct Pedido {
        std::string texto;
        TTipoAlerta tipo;
        std::string confirmar;
        std::string cancelar;
    };
    bool Mostra(const Pedido& pedido);

    TFAlerta* alerta_ = nullptr;
    std::unique_ptr<TFCarregando> carregando_;
    std::deque<Pedido> esperando_;
};

}  // namespace monitor
