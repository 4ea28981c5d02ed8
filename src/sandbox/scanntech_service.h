#pragma once

#include <filesystem>
#include <mutex>
#include <optional>
#include <string>

#include "sandbox/sandbox_server.h"

namespace monitor::sandbox {

/** The demo's stand-in for Scanntech's retailer interface. Every path lies below
 *  "/api-minoristas/api/v2/minoristas/{idEmpresa}/locales/{idLocal}/" (any company and branch):
 *
 *    GET  promociones/{estado}         the page of file "promociones-{estado}.json"
 *    GET  promociones?estado={estado}  the same page
 *    GET  solicitudes/movimientos      file "solicitudes-movimientos.json"
 *    GET  solicitudes/cierresDiarios   file "solicitudes-cierresDiarios.json"
 *    POST cajas/{idCaja}/movimientos   200; the body is appended as one line to the file
 *                                      "movimientos.jsonl"
 *
 *  The files are read from the data folder at every request. Without a data folder the
 *  answers are a built-in sample (three accepted and two rejected promotions, one movement
 *  and one closing resend request for yesterday, for every register) and the movements go to
 *  the current folder; with one, a missing file answers an empty page or list. Anything else
 *  answers 404. */
class ScanntechService {
  public:
    explicit ScanntechService(std::optional<std::filesystem::path> dataDir);

    Reply Handle(const ReceivedRequest& request);
    const std::filesystem::path& MovementsFile() const noexcept { return movementsFile_; }

  private:
    Reply Promotions(const std::string& estado) const;
    Reply ResendList(const std::string& name) const;
    Reply AcceptMovement(const ReceivedRequest& request);
    std::optional<std::string> ReadDataFile(const std::string& name) const;

    std::optional<std::filesystem::path> dataDir_;
    std::filesystem::path movementsFile_;
    std::mutex fileMutex_;
};

/** "yyyy-mm-dd" of the day before today, local time. */
std::string YesterdayText();

}  // namespace monitor::sandbox
