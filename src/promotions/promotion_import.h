#pragma once

#include <string>

#include "promotions/promocoes_document.h"
#include "scanntech/scanntech_module.h"

namespace monitor::promotions {

/** The two states whose promotions are downloaded, in the order they are asked for. */
inline constexpr const char* kEstadoAceptada = "ACEPTADA";
inline constexpr const char* kEstadoRechazada = "RECHAZADA";

/** Downloads the accepted and then the rejected promotions and keeps one row per promotion id
 *  in promocaoscanntech. Each state's exchange is logged as "PROMOCAO". The first failure ends
 *  the import with a std::runtime_error carrying its message; rows stored before it stay. */
void ImportaPromocoes(scanntech::ScanntechModule& module);

/** Inserts or updates the row of the promotion's id with its contents and the state it was
 *  listed under. The data module must exist (ScanntechModule::CriaDMScanntech). */
void GravaPromocao(scanntech::ScanntechModule& module, const TResults& promocao,
                   const std::string& estado);

}  // namespace monitor::promotions
