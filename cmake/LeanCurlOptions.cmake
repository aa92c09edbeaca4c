# What the libcurl built into Wylo.exe leaves out: Wylo fetches nothing but
# HTTP and HTTPS, asks for uncompressed bodies and speaks HTTP/1.1, so other
# protocols, compression, HTTP/2 and the libraries behind them stay out.
set(WYLO_LEAN_CURL_OPTIONS
    -DBUILD_CURL_EXE=OFF
    -DHTTP_ONLY=ON
    -DCURL_DISABLE_LDAP=ON
    -DCURL_DISABLE_LDAPS=ON
    -DCURL_ZLIB=OFF
    -DCURL_BROTLI=OFF
    -DCURL_ZSTD=OFF
    -DUSE_NGHTTP2=OFF
    -DCURL_USE_LIBSSH2=OFF
    -DCURL_USE_LIBSSH=OFF
    -DCURL_USE_GSSAPI=OFF
    -DENABLE_MANUAL=OFF
    -DPICKY_COMPILER=OFF
)
