// Re-alignment of gapped anchors for torva (windowed).
