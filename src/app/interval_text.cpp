#include "app/interval_text.h"

namespace monitor {

std::string TextoIntervalo(const db::Query& configScannTech) {
    std::string minutes;
    if (configScannTech.Active() && configScannTech.HasField("minutosentreconsultapromocao")) {
        minutes = configScannTech.Field("minutosentreconsultapromocao").AsString();
    }
    return "Será feita a consulta de promoções a cada " + minutes + " minutos.";
}

}  // namespace monitor
