<?xml version="1.0" encoding="utf-8"?>
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:output method="html" encoding="utf-8"/>
  <xsl:template match="/toc">
    <ul class="toc"><xsl:apply-templates select="topic"/></ul>
  </xsl:template>
  <xsl:template match="topic">
    <li><a href="{@href}"><xsl:value-of select="@title"/></a></li>
  </xsl:template>
</xsl:stylesheet>
