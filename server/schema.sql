/* The stand-in central server's own tables. The ten synchronised tables are created beside these
   with the same columns as the program's local store (ServerStore takes their definitions from the
   template database scripts), so every column a client uploads has a place on the server. */

/* One sequence for every synchronisation id: id blocks handed to clients and UPDATE_ID stamps. */
CREATE SEQUENCE GEN_SYNC_ID;
CREATE SEQUENCE GEN_FILES_ID;
CREATE SEQUENCE GEN_OUTCOME_RESULT_ID;
CREATE SEQUENCE GEN_ATTACHMENT_ID;

/* Accounts of the login service. */
CREATE TABLE SERVICE_ACCOUNT (
  USER_NAME                       VARCHAR(50) NOT NULL,
  USER_PASSWORD                   VARCHAR(50) NOT NULL,
  USER_ID                         VARCHAR(20) NOT NULL,
  REAL_NAME                       VARCHAR(200),
  SESSION_ID                      VARCHAR(50),
  CONSTRAINT PK_SERVICE_ACCOUNT PRIMARY KEY (USER_NAME)
);

/* Installation numbering per authority. */
CREATE TABLE DB_ACTIVATION_LOCAL_AUTHORITY (
  CODE                            VARCHAR(30) NOT NULL,
  NAME                            VARCHAR(200),
  LLG                             VARCHAR(30),
  LAST_INSTALL_ID                 INTEGER DEFAULT 0 NOT NULL,
  /* VARCHAR: the driver pads CHAR columns of a UTF8 database to their byte length */
  LAST_INSTALL_UUID               VARCHAR(36),
  CONSTRAINT PK_DB_ACTIVATION_LA PRIMARY KEY (CODE)
);

/* The postbox: one row per packet posted by a client. */
CREATE TABLE FILE_TO_INSERT_FROM_LA_EX (
  ID                              BIGINT NOT NULL,
  FILENAME                        VARCHAR(100),
  FILETYPE                        VARCHAR(30),
  "COMMENT"                       VARCHAR(100),
  CONTENT                         BLOB SUB_TYPE BINARY,
  SENDER_CODE                     VARCHAR(30),
  SENDER_DESCRIPTION              VARCHAR(200),
  SITE_CODE                       VARCHAR(30),
  SITE_DESCRIPTION                VARCHAR(100),
  USER_NAME                       VARCHAR(100),
  USER_EMAIL_ADDRESS              VARCHAR(100),
  USER_TELEPHONE_NO               VARCHAR(30),
  RECIPIENT_CODE                  VARCHAR(30),
  RECIPIENT_DESCRIPTION           VARCHAR(100),
  CONTENT_TYPE                    VARCHAR(30),
  SENDER_NOTES                    VARCHAR(4000),
  CANCELLED_SAMPLE_LIST           VARCHAR(4000),
  RECEIVED_TIMESTAMP              TIMESTAMP DEFAULT CURRENT_TIMESTAMP,
  CONSTRAINT PK_FILE_TO_INSERT PRIMARY KEY (ID)
);

/* Client outcomes. */
CREATE TABLE CLIENT_OUTCOME_CATEGORY (
  CODE                            VARCHAR(30) NOT NULL,
  DESCRIPTION                     VARCHAR(200) NOT NULL,
  OUTCOME_HEADING__CODE           VARCHAR(30) NOT NULL,
  CONSTRAINT PK_CLIENT_OUTCOME_CATEGORY PRIMARY KEY (CODE)
);

CREATE TABLE CLIENT_OUTCOME_RESULT_TEXT (
  CODE                            VARCHAR(30) NOT NULL,
  DESCRIPTION                     VARCHAR(200) NOT NULL,
  OUTCOME_HEADING__CODE           VARCHAR(30) NOT NULL,
  CONSTRAINT PK_CLIENT_OUTCOME_RESULT_TEXT PRIMARY KEY (CODE, OUTCOME_HEADING__CODE)
);

CREATE TABLE CLIENT_OUTCOME_RESULT (
  ID                              BIGINT NOT NULL,
  SAMPLE__CODE                    VARCHAR(200) NOT NULL,
  OUTCOME_HEADING__CODE           VARCHAR(30) NOT NULL,
  OUTCOME_HEADING_DESC            VARCHAR(200) NOT NULL,
  OUTCOME_CATEGORY__CODE          VARCHAR(30) NOT NULL,
  OUTCOME_CATEGORY_DESC           VARCHAR(200) NOT NULL,
  OUTCOME_RESULT_TEXT__CODE       VARCHAR(30),
  OUTCOME_RESULT_TEXT_DESC        VARCHAR(200) NOT NULL,
  CONSTRAINT PK_CLIENT_OUTCOME_RESULT PRIMARY KEY (ID)
);
CREATE INDEX IX_CLIENT_OUTCOME_RESULT_SAMPLE ON CLIENT_OUTCOME_RESULT (SAMPLE__CODE);

/* Sample attachments. */
CREATE TABLE ATTACHMENT (
  ID                              BIGINT NOT NULL,
  FILE_DESCRIPTION                VARCHAR(4000),
  FILE_CONTENT                    BLOB SUB_TYPE BINARY,
  FILE_TYPE                       VARCHAR(200),
  LOCAL_AUTHORITY__CODE           VARCHAR(30),
  SAMPLE__CODE                    VARCHAR(30),
  FILE_NAME                       VARCHAR(350),
  IMPORT_LOG                      BLOB SUB_TYPE TEXT,
  UPLOAD_TIMESTAMP                TIMESTAMP DEFAULT CURRENT_TIMESTAMP,
  CONSTRAINT PK_ATTACHMENT PRIMARY KEY (ID)
);
CREATE INDEX IX_ATTACHMENT_SAMPLE ON ATTACHMENT (SAMPLE__CODE);
