#pragma once

#include <chrono>
#include <string>

#include "sandbox/sandbox_server.h"
#include "scanntech/rest_client.h"

namespace monitor::scanntech::testing {

/** A REST client, request and response set up as the monitor sets them (5 s time-outs),
 *  against a sandbox server on loopback. */
class HttpFixture {
  public:
    HttpFixture() : request(client, response) {}

    void Prepare(TRESTRequestMethod method, const std::string& resource,
                 const std::string& baseUrl) {
        request.ResetToDefaults();
        client.ResetToDefaults();
        response.ResetToDefaults();
        client.SetBaseURL(baseUrl);
        client.SetConnectTimeout(5000);
        client.SetReadTimeout(5000);
        if (method == TRESTRequestMethod::rmPOST) client.SetContentType("application/json");
        request.SetMethod(method);
        request.SetResource(resource);
    }

    void Get(const std::string& resource) {
        Prepare(TRESTRequestMethod::rmGET, resource, server.BaseUrl());
    }

    void Post(const std::string& resource, const std::string& body) {
        Prepare(TRESTRequestMethod::rmPOST, resource, server.BaseUrl());
        TRESTRequestParameter p;
        p.kind = TRESTRequestParameterKind::pkREQUESTBODY;
        p.name = "body";
        p.value = body;
        p.contentType = "application/json";
        p.doNotEncode = true;
        request.AddParameter(p);
    }

    /** Executes; returns the error message, empty when none was raised. */
    std::string Execute() {
        try {
            request.Execute();
        } catch (const std::exception& e) {
            return e.what();
        }
        return {};
    }

    sandbox::SandboxServer server;
    RestClient client;
    RestResponse response;
    RestRequest request;
};

/** Seconds a call takes. */
template <typename F>
double SecondsTaken(F&& f) {
    const auto start = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace monitor::scanntech::testing
