#pragma once
// Certificates for the TLS tests, made with the `openssl` command in a temporary folder that goes
// with the object: a test CA, a server certificate it signed for "localhost" and 127.0.0.1, one
// it signed for another host, and a self-signed one for "localhost" and 127.0.0.1. EC keys, so
// making them takes a few milliseconds.

#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace testing_support {

struct CertificatePair {
  std::string cert;  // PEM certificate
  std::string key;   // PEM private key, unencrypted
};

class TestCertificates {
 public:
  TestCertificates() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "stayline-certs-XXXXXX").string();
    if (!::mkdtemp(tmpl.data())) return;
    dir_ = tmpl;
    ca_ = {dir_ + "/ca.pem", dir_ + "/ca.key"};
    server_ = {dir_ + "/server.pem", dir_ + "/server.key"};
    wrongHost_ = {dir_ + "/wrong-host.pem", dir_ + "/wrong-host.key"};
    selfSigned_ = {dir_ + "/self-signed.pem", dir_ + "/self-signed.key"};
    ok_ = Run("req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 30"
              " -subj '/CN=Stayline Test CA' -addext basicConstraints=critical,CA:TRUE"
              " -addext keyUsage=critical,keyCertSign,cRLSign -keyout " +
              ca_.key + " -out " + ca_.cert) &&
          Signed(server_, "localhost", "DNS:localhost,IP:127.0.0.1") &&
          Signed(wrongHost_, "wrong.example", "DNS:wrong.example") &&
          Run("req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 30"
              " -subj /CN=localhost -addext subjectAltName=DNS:localhost,IP:127.0.0.1 -keyout " +
              selfSigned_.key + " -out " + selfSigned_.cert);
  }
  ~TestCertificates() {
    if (!dir_.empty()) std::filesystem::remove_all(dir_);
  }
  TestCertificates(const TestCertificates&) = delete;
  TestCertificates& operator=(const TestCertificates&) = delete;

  // False when the certificates could not be made (no openssl command): the test then skips.
  [[nodiscard]] bool Ok() const { return ok_; }
  [[nodiscard]] const std::string& Folder() const { return dir_; }
  // The test CA's certificate: the file a client trusts besides the system's store.
  [[nodiscard]] const std::string& CaFile() const { return ca_.cert; }
  // Signed by the test CA for "localhost" and 127.0.0.1.
  [[nodiscard]] const CertificatePair& Server() const { return server_; }
  // Signed by the test CA for "wrong.example" only.
  [[nodiscard]] const CertificatePair& WrongHost() const { return wrongHost_; }
  // Self-signed for "localhost" and 127.0.0.1.
  [[nodiscard]] const CertificatePair& SelfSigned() const { return selfSigned_; }

 private:
  static bool Run(const std::string& args) {
    return std::system(("openssl " + args + " >/dev/null 2>&1").c_str()) == 0;
  }
  bool Signed(const CertificatePair& out, const std::string& name, const std::string& alt) {
    const std::string csr = out.cert + ".csr";
    const std::string ext = out.cert + ".ext";
    std::ofstream(ext) << "subjectAltName=" << alt
                       << "\nbasicConstraints=CA:FALSE\nextendedKeyUsage=serverAuth\n";
    return Run("req -new -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -subj /CN=" +
               name + " -keyout " + out.key + " -out " + csr) &&
           Run("x509 -req -days 30 -in " + csr + " -CA " + ca_.cert + " -CAkey " + ca_.key +
               " -CAcreateserial -extfile " + ext + " -out " + out.cert);
  }

  std::string dir_;
  bool ok_ = false;
  CertificatePair ca_;
  CertificatePair server_;
  CertificatePair wrongHost_;
  CertificatePair selfSigned_;
};

}  // namespace testing_support
