#pragma once

#include <string>

namespace monitor {

/** The alert kinds, in their fixed order. The monitor itself only shows TAPressioneESC. */
enum class TTipoAlerta { TAConfirmaCancela, TASimNao, TAPressioneESC, TANaoSim, TAPersonalizado };

/** How the core reaches the screen: the desktop shell shows windows, the headless shell writes
 *  alerts to standard error. Calls come from the monitor's one thread. */
class Notices {
public:
    virtual ~Notices() = default;

    /** Shows a modal alert and returns the answer (true only when confirmed). */
    virtual bool ExibeAlerta(const std::string& texto, TTipoAlerta tipo,
                             const std::string& confirmar = {}, const std::string& cancelar = {}) = 0;
    /** close false: shows the progress window (creating it); close true: closes and frees it. */
    virtual void ExibeCarregando(bool fechar) = 0;
    /** Puts a non-empty text in the progress window, when one exists. */
    virtual void MensagemCarregando(const std::string& mensagem) = 0;
};

}  // namespace monitor
